// Real files for the file tests: a fresh folder per test, removed with all
// it holds, and whole-file reads and writes that do not go through the
// library.
#ifndef CTCOMMON_TESTS_TEMP_FILES_H
#define CTCOMMON_TESTS_TEMP_FILES_H

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The names in a folder, sorted.
inline std::vector<std::string> NamesIn(const std::filesystem::path &o_folder) {
    std::vector<std::string> as_names;
    for (const auto &o_entry : std::filesystem::directory_iterator(o_folder))
        as_names.push_back(o_entry.path().filename().string());
    std::sort(as_names.begin(), as_names.end());
    return as_names;
}

class TempFolder {
  public:
    TempFolder() {
        static std::atomic<unsigned> n_next{0};
        const auto n_now = std::chrono::steady_clock::now().time_since_epoch().count();
        o_path = std::filesystem::temp_directory_path() /
                 ("ctcommon-test-" + std::to_string(n_now) + "-" + std::to_string(n_next++));
        std::filesystem::create_directories(o_path);
    }
    ~TempFolder() {
        std::error_code o_ignored;
        std::filesystem::remove_all(o_path, o_ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    // The path of a name in the folder, in the system's own form.
    std::string Path(const std::string &s_name) const { return (o_path / s_name).string(); }
    // The folder itself, ending in its separator.
    std::string Folder() const {
        return o_path.string() + static_cast<char>(std::filesystem::path::preferred_separator);
    }

    // The names in the folder, sorted.
    std::vector<std::string> Names() const { return NamesIn(o_path); }

  private:
    std::filesystem::path o_path;
};

inline std::string ReadWholeFile(const std::string &s_path) {
    std::ifstream o_in(s_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(o_in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string &s_path, const std::string &s_content) {
    std::ofstream o_out(s_path, std::ios::binary | std::ios::trunc);
    o_out.write(s_content.data(), static_cast<std::streamsize>(s_content.size()));
}

inline bool FileExists(const std::string &s_path) {
    std::error_code o_ignored;
    return std::filesystem::exists(s_path, o_ignored);
}

#endif
