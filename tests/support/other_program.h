// Another program's saves of a file, made with the system's own calls
// rather than the library's, as the races in the file tests need them.
#ifndef CTCOMMON_TESTS_OTHER_PROGRAM_H
#define CTCOMMON_TESTS_OTHER_PROGRAM_H

#include "support/temp_files.h"

#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

// Another program's exclusive hold of a file, as the library's own opens
// take it; while it lasts, no open of the library gets the file.
class OtherHold {
  public:
    // False when the file cannot be held now.
    bool Take(const std::string &s_file) {
#if defined(_WIN32)
        ho_file = CreateFileA(s_file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        return ho_file != INVALID_HANDLE_VALUE;
#else
        n_fd = ::open(s_file.c_str(), O_RDONLY | O_CLOEXEC);
        if (n_fd >= 0 && ::flock(n_fd, LOCK_EX | LOCK_NB) == 0) return true;
        LetGo();
        return false;
#endif
    }
    void LetGo() {
#if defined(_WIN32)
        if (ho_file != INVALID_HANDLE_VALUE) CloseHandle(ho_file);
        ho_file = INVALID_HANDLE_VALUE;
#else
        if (n_fd >= 0) ::close(n_fd);
        n_fd = -1;
#endif
    }
    ~OtherHold() { LetGo(); }

  private:
#if defined(_WIN32)
    HANDLE ho_file = INVALID_HANDLE_VALUE;
#else
    int n_fd = -1;
#endif
};

// Saves as editors and sync tools do: a new file under another name,
// renamed over the file. Windows refuses the rename while the library
// holds the file; Linux does not. False when refused.
inline bool SaveByRename(const std::string &s_file, const std::string &s_content) {
    const std::string s_new = s_file + ".theirs";
    WriteWholeFile(s_new, s_content);
#if defined(_WIN32)
    const bool b_saved =
        MoveFileExA(s_new.c_str(), s_file.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
#else
    const bool b_saved = std::rename(s_new.c_str(), s_file.c_str()) == 0;
#endif
    if (!b_saved) std::filesystem::remove(s_new);
    return b_saved;
}

// Writes the file in place, as a program that respects a held file does
// (on Linux it takes a lock first). False when kept out.
inline bool SaveInPlace(const std::string &s_file, const std::string &s_content) {
#if defined(_WIN32)
    const HANDLE ho_file =
        CreateFileA(s_file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (ho_file == INVALID_HANDLE_VALUE) return false;
    DWORD n_written = 0;
    const bool b_saved = SetEndOfFile(ho_file) &&
                         WriteFile(ho_file, s_content.data(), static_cast<DWORD>(s_content.size()),
                                   &n_written, nullptr);
    CloseHandle(ho_file);
    return b_saved;
#else
    const int n_fd = ::open(s_file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (n_fd < 0) return false;
    bool b_saved = ::flock(n_fd, LOCK_EX | LOCK_NB) == 0 && ::ftruncate(n_fd, 0) == 0;
    b_saved = b_saved && ::write(n_fd, s_content.data(), s_content.size()) ==
                             static_cast<ssize_t>(s_content.size());
    ::close(n_fd);
    return b_saved;
#endif
}

#endif
