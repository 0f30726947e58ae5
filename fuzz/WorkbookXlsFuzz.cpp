#include "WorkbookFuzz.h"

#if defined(__SANITIZE_ADDRESS__)
#define ORDANE_FUZZ_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORDANE_FUZZ_ASAN 1
#endif
#endif

#ifdef ORDANE_FUZZ_ASAN
#include <fcntl.h>
#include <pthread.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

namespace {

// The workbook reader runs FreeXL in a child process, where the sanitizers still see
// FreeXL's own faults on damaged workbooks. Those are contained (the import reports a
// damaged workbook) and are not this program's to fix, so the child dies quietly instead
// of reporting, and without the fuzzer's death callback, which would save a crash file.
void quietChild() {
    __sanitizer_set_death_callback(nullptr);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0)
        ::dup2(null, 2);
}

const int quietChildren = ::pthread_atfork(nullptr, nullptr, quietChild);

} // namespace
#endif

ORDANE_FUZZ_TARGET(workbook_xls) {
    static const ordane::fuzz::ScratchProject project("workbook_xls");
    // The side only sets how many fields are read, and each reading costs a process.
    return ordane::fuzz::importWorkbook("frames.xls", {ordane::FrameSide::Transmitted}, project,
                                        data, size);
}
