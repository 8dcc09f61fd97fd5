// The texts the About window's load sequence puts in its caption and labels.
#pragma once

#include <string>

namespace kestrin {

// The version numbers the About window shows: the first, second and fourth fields of the file version.
struct VersionNumbers {
    unsigned major = 0;
    unsigned minor = 0;
    unsigned revision = 0;
};

struct AboutTexts {
    std::string caption;      // the window
    std::string version;      // lblVersion
    std::string title;        // lblTitle
    std::string description;  // lblDescription
};

// The load sequence's texts: "About <title>", "Version <major>.<minor>.<revision>", the title, the description.
AboutTexts MakeAboutTexts(const std::string& applicationTitle, const VersionNumbers& version,
                          const std::string& fileDescription);

}  // namespace kestrin
