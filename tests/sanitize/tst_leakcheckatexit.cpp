/*
** The leak check at the exit of a sanitizer build must survive a library's
** dynamic thread-local block wherever the heap puts it. The runtime guesses
** such a block's extent from the bytes in front of it, and for a block that
** lands 16 bytes into a page it reads the allocator's chunk header as that
** extent and crashes ("Tracer caught signal 11"), failing a test that has
** passed. Which tests land there depends on the machine's heap history, so
** this test walks the block across a whole page: child k makes k blocks of
** the same size first, then touches the library's data, then exits.
*/

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr size_t kBlockSize = QUILLON_TLS_BLOCK_SIZE; // the library's thread-local data
constexpr int kPositions = 160;   // more than the blocks of this size class in one page

TEST(LeakCheckAtExit, SurvivesADynamicThreadLocalBlockAtAnyHeapPosition)
{
    void *library = dlopen(QUILLON_TLSBLOCK, RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    auto touch = reinterpret_cast<char *(*)()>(dlsym(library, "quillon_tls_block"));
    ASSERT_NE(touch, nullptr) << dlerror();

    std::string failed;
    for (int k = 0; k < kPositions; ++k) {
        std::fflush(nullptr);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            static void *before[kPositions];
            for (int i = 0; i < k; ++i)
                before[i] = std::malloc(kBlockSize);
            touch()[0] = 1;
            for (int i = 0; i < k; ++i)
                std::free(before[i]);
            std::exit(0); // the leak check runs here
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            failed += " " + std::to_string(k);
    }
    EXPECT_EQ(failed, "") << "the leak check failed after these numbers of blocks";
    dlclose(library);
}

} // namespace
