#pragma once
// A private folder for one test, removed with everything in it when the test ends.

#include <filesystem>
#include <string>

namespace orvane::testing {

class TempFolder {
  public:
    // Made under base (default: the system's temporary folder).
    explicit TempFolder(const std::filesystem::path& base = {});
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Writes bytes to a new file, for planting the user's own files beside a test.
void writeWholeFile(const std::filesystem::path& path, const std::string& bytes);
std::string readWholeFile(const std::filesystem::path& path);

}  // namespace orvane::testing
