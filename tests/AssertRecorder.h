// Test helper: records every report of the assertion hook while it is in scope.
#ifndef ZELMATH_TESTS_ASSERTRECORDER_H
#define ZELMATH_TESTS_ASSERTRECORDER_H

#include "foundation/scl_assert.h"

#include <mutex>
#include <string>
#include <vector>

struct AssertReport {
    std::string category;
    std::string message;
    std::string file;
    int line;
};

class AssertRecorder {
public:
    AssertRecorder() { previous_ = scl_set_assert_handler(&AssertRecorder::record); }
    ~AssertRecorder() {
        scl_set_assert_handler(previous_);
        std::lock_guard<std::mutex> lock(mutex());
        reports().clear();
    }
    AssertRecorder(const AssertRecorder&) = delete;
    AssertRecorder& operator=(const AssertRecorder&) = delete;

    std::vector<AssertReport> take() {
        std::lock_guard<std::mutex> lock(mutex());
        std::vector<AssertReport> out;
        out.swap(reports());
        return out;
    }

private:
    static void record(const char* category, const char* message, const char* file, int line) {
        std::lock_guard<std::mutex> lock(mutex());
        reports().push_back({category, message, file, line});
    }
    static std::vector<AssertReport>& reports() {
        static std::vector<AssertReport> r;
        return r;
    }
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    scl_assert_handler previous_;
};

#endif
