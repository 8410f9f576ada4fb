// Linux: the wildcards of a directory search, as FindFirstFileA takes them
// in the final component of a pattern.
#ifndef CTCOMMON_PLATFORM_POSIX_WILDCARDS_H
#define CTCOMMON_PLATFORM_POSIX_WILDCARDS_H

namespace ct_posix {

// Matches a name against a pattern in which * stands for any run of
// characters and ? for any one character; nothing else is special. After a
// mismatch the last * takes one more character and the match goes on from
// there.
inline bool b_WildMatch(const char *pc_pattern, const char *pc_name) {
    const char *pc_star = nullptr;
    const char *pc_resume = nullptr;
    while (*pc_name) {
        if (*pc_pattern == '*') {
            pc_star = pc_pattern++;
            pc_resume = pc_name;
        } else if (*pc_pattern == '?' || *pc_pattern == *pc_name) {
            ++pc_pattern;
            ++pc_name;
        } else if (pc_star) {
            pc_pattern = pc_star + 1;
            pc_name = ++pc_resume;
        } else {
            return false;
        }
    }
    while (*pc_pattern == '*')
        ++pc_pattern;
    return !*pc_pattern;
}

} // namespace ct_posix

#endif
