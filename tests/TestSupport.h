#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <random>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <utility>
#include <vector>

#ifdef _WIN32
// The environment functions the tests use, as Windows' C runtime has them.
inline int setenv(const char* name, const char* value, int) {
    return ::_putenv_s(name, value);
}
inline int unsetenv(const char* name) {
    return ::_putenv_s(name, "");
}
#endif

namespace ordane::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(
        const std::filesystem::path& parent = std::filesystem::temp_directory_path()) {
#ifdef _WIN32
        std::random_device random;
        for (int attempt = 0; m_path.empty() && attempt < 100; ++attempt) {
            const auto candidate = parent / ("ordane-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate))
                m_path = candidate;
        }
        if (m_path.empty())
            throw std::runtime_error("cannot create a temporary folder");
#else
        std::string pattern = (parent / "ordane-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
#endif
    }
    ~TempFolder() {
        std::error_code ec;
        // Read-only folders made by tests must not stop the clean-up.
        for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const {
        return m_path;
    }
    std::filesystem::path operator/(const std::string& name) const {
        return m_path / name;
    }

private:
    std::filesystem::path m_path;
};

// Sets environment variables for one test and puts them back.
class Environment {
public:
    explicit Environment(std::vector<std::pair<std::string, std::string>> values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        ::tzset();
    }
    ~Environment() {
        for (const auto& [name, value] : m_saved)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        ::tzset();
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// The text of the exception `body` throws, or "no exception" when it returns.
template <class Body> std::string thrownText(Body&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no exception";
}

inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// Runs `body` where folder permissions hold: in a child process that gives up root
// (root writes into read-only folders), or directly for an ordinary user. Returns what
// `body` returned; -1 when the child could not run.
inline int runWithPermissionsEnforced(const std::function<int()>& body) {
#ifdef _WIN32
    return body();
#else
    if (::geteuid() != 0)
        return body();
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(250);
        ::_exit(body() & 0xFF);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
#endif
}

} // namespace ordane::test
