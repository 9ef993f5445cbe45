// A small check list for the programs that run under Wine, where GoogleTest is not built: each
// check prints one line, and the summary line closes the run.
#pragma once

#include <cstdio>
#include <string>

namespace cartovex::wine {

class Checks {
public:
    bool Expect(bool ok, const std::string& what) {
        std::printf("%s - %s\n", ok ? "ok" : "FAIL", what.c_str());
        std::fflush(stdout);
        ++(ok ? passed_ : failed_);
        return ok;
    }
    template <typename T, typename U>
    bool Equal(const T& actual, const U& expected, const std::string& what) {
        bool ok = actual == expected;
        if (!ok) Note(what + ": got [" + Text(actual) + "], expected [" + Text(expected) + "]");
        return Expect(ok, what);
    }
    void Note(const std::string& text) {
        std::printf("# %s\n", text.c_str());
        std::fflush(stdout);
    }
    void Skip(const std::string& what) {
        std::printf("skip - %s\n", what.c_str());
        std::fflush(stdout);
        ++skipped_;
    }
    int Finish() {
        std::printf("%d passed, %d failed, %d skipped\n", passed_, failed_, skipped_);
        return failed_ == 0 ? 0 : 1;
    }

private:
    static std::string Text(const std::string& value) { return value; }
    static std::string Text(const char* value) { return value; }
    template <typename T>
    static std::string Text(const T& value) {
        return std::to_string(value);
    }

    int passed_ = 0, failed_ = 0, skipped_ = 0;
};

}  // namespace cartovex::wine
