// Every message the launcher can show: when it appears, the built-in text in
// English and its translations, and the format directives a text may hold
// where the launcher hands it to printf-style formatting.
#pragma once
#include <cstdint>
#include <map>
#include <string>

// When a message can appear, judged from the settings of a payload.
enum class MessageReach {
    Always,
    DownloadOffered,         // download_url set
    NoDownload,              // download_url not set
    MinVersion,              // min_java_version set
    MaxVersion,              // max_java_version set
    VersionBound,            // either of them set
    RequiredClassPathEntry,  // class_path has a required entry
    RequiredClassPathVariable,
    WindowTimeout,  // no_window_timeout not set
};

// How the launcher fills a message in.
enum class MessageFormat {
    Placeholder,       // "{0}" replaced as text; no directives are read
    Bitness,           // printf-style with one 8-bit text: at most one "%S"
    DownloadProgress,  // printf-style with four doubles: at most four of %f, %e, %g
};

// Index 0 is English, the others follow kTranslationCodes.
constexpr int kTranslationCount = 3;
extern const char* const kTranslationCodes[kTranslationCount];

struct MessageInfo {
    int32_t id;
    const char* shownWhen;
    MessageReach reach;
    MessageFormat format;
    const char* text[1 + kTranslationCount];  // UTF-8
    // For a setup file of another flavour than "installer" (an application),
    // where the text above speaks of installing; null where it does not.
    const char* applicationText[1 + kTranslationCount] = {};
};

// The built-in text of a message in one language (0: English, then
// kTranslationCodes) for an installer or an application.
enum class TextFlavour { kInstaller, kApplication };
const char* builtInText(const MessageInfo& message, TextFlavour flavour, int language);

const MessageInfo* messagesBegin();
const MessageInfo* messagesEnd();
const MessageInfo* messageById(int32_t id);

// False with the reason when the text holds a directive the launcher's
// formatting of that message would read an argument for that it does not pass.
bool messageFormatFits(const MessageInfo& message, const std::u16string& text, std::string* why);

// Whether the settings (narrow table of a payload) make the message reachable;
// because says which setting does when it is not always reachable.
bool messageReachable(const MessageInfo& message, const std::map<int32_t, std::string>& settings, std::string* because);
