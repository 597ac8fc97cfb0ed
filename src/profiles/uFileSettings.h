#pragma once
// Settings whose state is the whole content of one file, and the kind "File" on a chosen path.

#include "uProfileSettings.h"

#include "framework/Exceptions.h"
#include "framework/Stream.h"
#include "os/Errors.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace prolamo {

// A captured file: whether it existed, its size and its bytes. The bytes never change once held, so
// copies of the value share them, and a value loaded from the data file shares the file's buffer.
class TFileSettingValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    TFileSettingValue() = default;

    bool FileExists() const { return fileExists_; }
    void SetFileExists(bool exists) { fileExists_ = exists; }
    // -1 while no content is held.
    std::int32_t ContentSize() const { return contentSize_; }
    void SetContentSize(std::int32_t size) { contentSize_ = size; }
    std::span<const std::uint8_t> Content() const { return content_.bytes; }
    // Only a non-empty file has a buffer.
    bool HasContent() const { return !content_.bytes.empty(); }

    // Captures the file at FileName; a folder or a missing path is "no file". A device, pipe or
    // socket raises, as does a file too large to hold.
    void LoadFromFile(const std::string& fileName);
    void ClearContent();
    // The binary property "Content": ContentSize bytes, copied, or shared with their owner.
    void ReadContent(std::span<const std::uint8_t> data);
    void ReadContent(TSharedBytes data);
    std::span<const std::uint8_t> WriteContent() const;

    void Assign(const TPersistent& source) override;
    void DefineProperties(TFiler& filer) override;
    std::string GetHint() const override;

private:
    bool fileExists_ = false;
    std::int32_t contentSize_ = -1;
    TSharedBytes content_;
};

inline constexpr const char* NoFileHint = PROLAMO_TRANSLATE_NOOP("Engine", "No file");
inline constexpr const char* EmptyFileHint = PROLAMO_TRANSLATE_NOOP("Engine", "Empty file");
inline constexpr const char* BinaryFileHint = PROLAMO_TRANSLATE_NOOP("Engine", "Binary file");
inline constexpr const char* FileIsFolder = PROLAMO_TRANSLATE_NOOP("Engine", "%1 is a folder, not a file");
inline constexpr const char* FileIsDevice =
    PROLAMO_TRANSLATE_NOOP("Engine", "%1 is a device, a pipe or a socket, not a file; it is neither read nor written");
inline constexpr const char* FileLeftAsItWas = PROLAMO_TRANSLATE_NOOP("Engine", "%1: %2 was left as it was");
inline constexpr const char* FileNotPutBack =
    PROLAMO_TRANSLATE_NOOP("Engine", "%1: %2 could not be put back as it was");
inline constexpr const char* FileTooLarge =
    PROLAMO_TRANSLATE_NOOP("Engine", "%1 is larger than the 2 GB a File setting can hold");
inline constexpr const char* FileIsLink = PROLAMO_TRANSLATE_NOOP(
    "Engine", "%1 is a link to %2; an apply writes only the path it names, never through a link to another file");
inline constexpr const char* FileIsBrokenLink = PROLAMO_TRANSLATE_NOOP(
    "Engine",
    "%1 is a link whose target cannot be found; an apply writes only the path it names, never through a link");
inline constexpr const char* PathIsRelative = PROLAMO_TRANSLATE_NOOP(
    "Engine", "%1: the path is relative, so it would be written wherever the program happens to run; a file "
              "path must be absolute");
inline constexpr const char* PathHasParent = PROLAMO_TRANSLATE_NOOP(
    "Engine", "%1: the path goes up with \"..\", which hides where it writes; a file path must be normal");
// The hint shows at most this many bytes of the content.
inline constexpr std::size_t HintLength = 1024;

// The base of every setting whose state is one file's content; kinds only say which file.
class TAbstractFileSetting : public TSetting {
    PROLAMO_CLASS()

public:
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // Writes the content back byte for byte, or deletes the file when the value holds none.
    // Every failure is raised; access denied carries the administrator hint.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;

    virtual std::string GetFileName() const = 0;
    virtual void SetFileName(const std::string& fileName) = 0;
};

// "File": any file the user chooses.
class TFileSetting : public TAbstractFileSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::string GetFileName() const override { return fileName_; }
    void SetFileName(const std::string& fileName) override { fileName_ = fileName; }

    void Assign(const TPersistent& source) override;
    // The name part of the path.
    std::string GetDetails() const override;
    std::string GetChosenPath() const override { return fileName_; }

private:
    std::string fileName_;
};

// The file-open dialog the front end shows for the File setting.
struct TOpenFileRequest {
    std::string filter = "*.*";
    std::string fileName;
    std::string initialFolder;
};
// The chosen path, or nothing when the user cancels.
using TOpenFileDialog = std::function<std::optional<std::string>(const TOpenFileRequest& request)>;

class TFileSettingEditor : public TSettingEditor {
public:
    // The front end plugs its dialog in once at start-up; without one, every edit is cancelled.
    static void SetOpenFileDialog(TOpenFileDialog dialog);
    static const TOpenFileDialog& OpenFileDialog();

    bool Edit(TSetting& setting) override;
};

// The file kinds' errors, worded alike: a failed read; a failed whole-or-nothing write, which says
// what became of the file (a denied one with the administrator hint).
EInOutError FileReadError(os::ErrorCode code, const std::string& fileName);
EInOutError FileWriteError(os::ErrorCode code, const std::string& fileName, bool unchanged);

// The folder a file-open dialog starts in: the path up to its last separator, without that
// separator unless it closes a root ("C:\", "/") or follows another separator.
std::string InitialFolderOf(const std::string& fileName);
// The part of the path after its last separator.
std::string FileNamePartOf(const std::string& fileName);

// What is wrong with a path taken from someone else's text: PathIsRelative or PathHasParent
// filled with What, or empty for an absolute path without ".." components.
std::string PathFault(const std::string& path, const std::string& what);
// Path lies in Folder or below it, both in their full forms; a path whose full form cannot be
// had counts as outside.
bool IsPathInFolder(const std::string& path, const std::string& folder);

} // namespace prolamo
