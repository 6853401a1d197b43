#pragma once

/*
** FpcBuild: compiles generated extension sources with Free Pascal.
**
** The units of the pascal folder are compiled once into a folder of their
** own; every project is then compiled against those compiled units into a
** folder of its own, so several fpc runs can share them at once. Jobs run
** as child processes, a few at a time, each with its output in a log that
** a failing test prints.
*/

#include <filesystem>
#include <string>
#include <vector>

namespace quillon::testing {

struct FpcJob
{
    std::filesystem::path source; // the .dpr to compile
    std::filesystem::path outDir; // object files and the library go here
};

struct FpcResult
{
    int exitCode = -1;             // fpc's exit status; -1 if it did not run or died
    std::string log;               // everything fpc wrote
    std::filesystem::path output;  // the library or program made, empty if none
};

class FpcBuild
{
public:
    // Compiles the units into workDir/units; throws std::runtime_error with
    // fpc's output if they do not compile.
    explicit FpcBuild(const std::filesystem::path &workDir);

    FpcResult compile(const FpcJob &job) const;
    std::vector<FpcResult> compileAll(const std::vector<FpcJob> &jobs, unsigned parallel) const;

private:
    std::filesystem::path m_unitDir;
};

// Runs a program with arguments, its standard output and error going to
// logPath, with this process's environment plus extraEnv ("NAME=value"
// entries, which win); returns the child's pid, or throws std::runtime_error.
int startProcess(const std::vector<std::string> &argv, const std::filesystem::path &logPath,
                 const std::vector<std::string> &extraEnv = {});

// Waits for one child; returns its exit status, or -1 if it did not exit normally.
int waitProcess(int pid);

} // namespace quillon::testing
