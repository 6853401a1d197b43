#pragma once

/*
** "quillon db ..." run as a user runs it, for tests that compare a served
** page with what the command finds, and the rows it prints as the HTML
** table rows a browse page writes for them.
*/

#include "tests/support/commandoutput.h"
#include "tests/support/shellquote.h"

#include <string>
#include <vector>

namespace quillon::testing {

using DbRun = test::CommandRun;

// Runs "quillonBin db" with the words given, quoted for the shell.
inline DbRun quillonDb(const std::string &quillonBin, const std::vector<std::string> &words)
{
    std::string command = test::shellQuote(quillonBin) + " db";
    for (const std::string &w : words)
        command += " " + test::shellQuote(w);
    return test::runCommand(command);
}

// "quillon db query" output (a header line, then tab-separated rows) as
// the HTML table a browse writes for those rows.
inline std::string asHtmlTable(const std::string &output)
{
    std::string html = "<TABLE>\r\n";
    bool lineOpen = false;
    for (size_t i = output.find('\n') + 1; i < output.size(); ++i) {
        const char c = output[i];
        if (!lineOpen) {
            html += "<TR><TD>";
            lineOpen = true;
        }
        if (c == '\t') {
            html += "</TD><TD>";
        } else if (c == '\n') {
            html += "</TD></TR>\r\n";
            lineOpen = false;
        } else if (c == '<') {
            html += "&lt;";
        } else if (c == '>') {
            html += "&gt;";
        } else if (c == '&') {
            html += "&amp;";
        } else {
            html += c;
        }
    }
    return html + "</TABLE>\r\n";
}

} // namespace quillon::testing
