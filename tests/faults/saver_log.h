#ifndef VELMOR_TESTS_FAULTS_SAVER_LOG_H
#define VELMOR_TESTS_FAULTS_SAVER_LOG_H

// What the savers of a sweep write to standard error.  Under Wine a started
// program writes Wine's debug output to its starter's Unix standard error,
// so every saver of the sweep writes into the file that the sweep's own
// standard error goes to; the runs come one after another, so what a run
// adds is its saver's.  Run with WINEDEBUG=-all,err+heap,warn+heap, Wine
// checks every heap operation and reports a damaged heap there.

#include <windows.h>

#include <string>

class SaverLog {
public:
    // `path`: the file (a Windows path); empty: no log, nothing is read.
    explicit SaverLog(const std::string& path) : path(path) {}

    // Skips what is there now: the next run starts here.
    void Skip();
    // What was added since the last Skip or Added.
    std::string Added();

    // The lines of `text` that report a heap error or an unhandled fault.
    static std::string HeapErrors(const std::string& text);

private:
    std::string path;
    LONGLONG read = 0;
};

#endif
