// The About window's load texts, built from the title and the version information.
#include "about/about_texts.h"

namespace kestrin {

AboutTexts MakeAboutTexts(const std::string& applicationTitle, const VersionNumbers& version,
                          const std::string& fileDescription) {
    AboutTexts texts;
    texts.caption = "About " + applicationTitle;
    texts.version = "Version " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                    std::to_string(version.revision);
    texts.title = applicationTitle;
    texts.description = fileDescription;
    return texts;
}

}  // namespace kestrin
