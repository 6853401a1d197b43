/*
** isapihost: runs one request through an ISAPI extension library and
** prints what the extension sends, for trying out a generated extension
** by hand and for tests that need the extension in a process of its own.
**
**   isapihost LIBRARY [QUERY_STRING]          a GET request
**   isapihost LIBRARY --post BODY             a POST request
**
** The response header goes to standard error, the page to standard output.
** Exit status: 0 when the extension reported success, 1 when it reported
** an error, 2 for a usage error or a library that cannot be loaded.
*/

#include "isapihost.h"

#include <cstring>
#include <exception>
#include <iostream>

int main(int argc, char **argv)
{
    using quillon::testing::IsapiHost;
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "isapihost " QUILLON_VERSION "\n";
        return 0;
    }
    if (argc < 2 || argc > 4 || std::strcmp(argv[1], "--help") == 0
        || (argc == 4 && std::strcmp(argv[2], "--post") != 0)
        || (argc == 3 && std::strcmp(argv[2], "--post") == 0)) {
        std::cerr << "usage: isapihost LIBRARY [QUERY_STRING]\n"
                     "       isapihost LIBRARY --post BODY\n";
        return 2;
    }
    IsapiHost::Request request;
    if (argc == 4) {
        request.method = "POST";
        request.body = argv[3];
    } else if (argc == 3) {
        request.queryString = argv[2];
    }
    try {
        IsapiHost host(argv[1]);
        const IsapiHost::Response response = host.run(request);
        std::cerr << response.status << "\n" << response.headers;
        std::cout << response.body;
        return response.result == 1 ? 0 : 1;
    } catch (const std::exception &e) {
        std::cerr << "isapihost: " << e.what() << "\n";
        return 2;
    }
}
