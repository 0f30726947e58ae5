#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A fuzz target is a function of the input bytes. Built for libFuzzer, each target is its own
// program; in the regression test all targets are linked together and replay their corpora.
namespace ordane::fuzz {

using Target = int (*)(const std::uint8_t* data, std::size_t size);

bool registerTarget(const char* name, Target target);

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace ordane::fuzz

#ifdef ORDANE_LIBFUZZER
#define ORDANE_FUZZ_TARGET(name)                                                                   \
    static int name(const std::uint8_t* data, std::size_t size);                                   \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {            \
        return name(data, size);                                                                   \
    }                                                                                              \
    static int name(const std::uint8_t* data, std::size_t size)
#else
#define ORDANE_FUZZ_TARGET(name)                                                                   \
    static int name(const std::uint8_t* data, std::size_t size);                                   \
    static const bool registered_##name = ::ordane::fuzz::registerTarget(#name, name);             \
    static int name(const std::uint8_t* data, std::size_t size)
#endif
