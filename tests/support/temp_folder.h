#pragma once
// A private folder for one test, removed with everything in it when the test ends, and whole-file
// reads and writes for planting the user's own files beside a test.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace orvane::testing {

class TempFolder {
  public:
    // Made under base (default: the system's temporary folder).
    explicit TempFolder(const std::filesystem::path& base = {}) {
        static std::atomic<unsigned> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = (base.empty() ? std::filesystem::temp_directory_path() : base) /
                ("orvane-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        if (!std::filesystem::create_directory(path_))
            throw std::runtime_error("Could not create a test folder");
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline void writeWholeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error("Could not write test file " + path.string());
}

inline std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("Could not read test file " + path.string());
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace orvane::testing
