#include "uFileSettings.h"

#include "framework/Exceptions.h"
#include "os/Files.h"
#include "os/Separators.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <memory>

namespace prolamo {

namespace {

bool IsSeparator(char c) {
    return os::PathSeparators.find(c) != std::string_view::npos;
}

bool IsTextByte(std::uint8_t b) {
    return b >= 32 || b == 9 || b == 10 || b == 13;
}

// Access denied is mostly a protected system file: say what would help.
std::string WithAdminHint(os::ErrorCode code, std::string message) {
    return code == os::ErrorAccessDenied ? message + ". " + Translated("Engine", texts::AdminHint) : message;
}

[[noreturn]] void AssertionFailed(const char* what) {
    throw EAssertionFailed(what);
}

// InvalidFileAttributes for an empty name or a path that cannot be found.
std::uint32_t AttributesOf(const std::string& fileName) {
    std::uint32_t attributes = os::InvalidFileAttributes;
    if (fileName.empty() || os::Files().GetFileAttributes(fileName, &attributes) != os::ErrorSuccess)
        return os::InvalidFileAttributes;
    return attributes;
}

std::unique_ptr<TSettingEditor> NewFileSettingEditor() {
    return std::make_unique<TFileSettingEditor>();
}

TOpenFileDialog& Dialog() {
    static TOpenFileDialog dialog;
    return dialog;
}

// The file error for Code, said plainly where the path is what is wrong; a write that was denied
// says what would help.
EInOutError FileError(os::ErrorCode code, const std::string& fileName, bool writing) {
    const int c = static_cast<int>(code);
    switch (code) {
    case os::ErrorInvalidFunction:
        return EInOutError(c, Translated("Engine", FileIsDevice, {fileName}));
    case os::ErrorFileTooLarge:
        return EInOutError(c, Translated("Engine", FileTooLarge, {fileName}));
    default:
        return writing ? EInOutError(c, WithAdminHint(code, EInOutError(c).Message())) : EInOutError(c);
    }
}

} // namespace

EInOutError FileReadError(os::ErrorCode code, const std::string& fileName) {
    return FileError(code, fileName, false);
}

EInOutError FileWriteError(os::ErrorCode code, const std::string& fileName, bool unchanged) {
    if (code == os::ErrorInvalidFunction || code == os::ErrorPathNotFound || code == os::ErrorAccessDenied)
        return FileError(code, fileName, true);
    return EInOutError(static_cast<int>(code), Translated("Engine", unchanged ? FileLeftAsItWas : FileNotPutBack,
                                                          {WriteFailureReason(code), FileNamePartOf(fileName)}));
}

std::string FileNamePartOf(const std::string& fileName) {
    const auto it = std::find_if(fileName.rbegin(), fileName.rend(), IsSeparator);
    return std::string(it.base(), fileName.end());
}

std::string InitialFolderOf(const std::string& fileName) {
    const auto it = std::find_if(fileName.rbegin(), fileName.rend(), IsSeparator);
    if (it == fileName.rend())
        return {};
    std::size_t end = static_cast<std::size_t>(fileName.rend() - it); // just after the separator
    const std::size_t last = end - 1;
    // The final backslash goes unless a drive colon or another separator stands before it; a colon
    // itself always stays. On POSIX the root "/" keeps its slash.
    const bool keep = fileName[last] == ':' || last == 0 || IsSeparator(fileName[last - 1]);
    if (!keep)
        --end;
    return fileName.substr(0, end);
}

std::string PathFault(const std::string& path, const std::string& what) {
    // Both separators are taken by the file layer, whatever the system.
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    const bool drive =
        path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && separator(path[2]);
    const bool share = path.size() >= 2 && separator(path[0]) && separator(path[1]);
    const bool root = os::PathDelimiter == '/' && !path.empty() && path[0] == '/';
    if (!drive && !share && !root)
        return Translated("Engine", PathIsRelative, {what});
    for (std::size_t start = 0; start <= path.size();) {
        const auto end = std::find_if(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), separator);
        const auto stop = static_cast<std::size_t>(end - path.begin());
        if (path.compare(start, stop - start, "..") == 0)
            return Translated("Engine", PathHasParent, {what});
        start = stop + 1;
    }
    return {};
}

bool IsPathInFolder(const std::string& path, const std::string& folder) {
    std::string fullPath, fullFolder;
    if (path.empty() || folder.empty() || os::Files().GetFullPathName(path, &fullPath) != os::ErrorSuccess ||
        os::Files().GetFullPathName(folder, &fullFolder) != os::ErrorSuccess)
        return false;
    while (!fullFolder.empty() && fullFolder.back() == os::PathDelimiter)
        fullFolder.pop_back();
    fullFolder += os::PathDelimiter;
    if (fullPath.size() < fullFolder.size())
        return false;
    // Windows names folders regardless of case.
    const auto same = [](char a, char b) {
        return os::PathDelimiter == '\\'
                   ? std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b))
                   : a == b;
    };
    return std::equal(fullFolder.begin(), fullFolder.end(), fullPath.begin(), same);
}

// ---- TFileSettingValue ----

const TClassInfo& TFileSettingValue::StaticClass() {
    return MakeClassInfo<TFileSettingValue, TSettingValue>(
        "TFileSettingValue",
        {prop::Boolean("FileExists", &TFileSettingValue::FileExists, &TFileSettingValue::SetFileExists),
         prop::Integer("ContentSize", &TFileSettingValue::ContentSize, &TFileSettingValue::SetContentSize)
             .Default(-1)});
}

void TFileSettingValue::LoadFromFile(const std::string& fileName) {
    const std::uint32_t attributes = AttributesOf(fileName);
    fileExists_ = attributes != os::InvalidFileAttributes && (attributes & os::FileAttributeDirectory) == 0;
    if (!fileExists_) {
        ClearContent();
        return;
    }
    if ((attributes & os::FileAttributeDevice) != 0)
        throw EInOutError(static_cast<int>(os::ErrorInvalidFunction), Translated("Engine", FileIsDevice, {fileName}));
    // The size is checked before anything is allocated, and the bytes are read straight into the
    // buffer the value keeps.
    std::vector<std::uint8_t> bytes;
    if (const os::ErrorCode e = os::Files().ReadWholeFile(fileName, &bytes, INT32_MAX); e != os::ErrorSuccess)
        throw FileReadError(e, fileName);
    contentSize_ = static_cast<std::int32_t>(bytes.size());
    auto held = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
    content_ = {*held, std::move(held)};
}

void TFileSettingValue::ClearContent() {
    content_ = {};
    contentSize_ = -1;
}

void TFileSettingValue::ReadContent(std::span<const std::uint8_t> data) {
    auto copy = std::make_shared<const std::vector<std::uint8_t>>(data.begin(), data.end());
    ReadContent(TSharedBytes{*copy, std::move(copy)});
}

void TFileSettingValue::ReadContent(TSharedBytes data) {
    if (contentSize_ < 0 || HasContent())
        AssertionFailed("Content read before its size, or twice");
    const auto size = static_cast<std::size_t>(contentSize_);
    if (data.bytes.size() < size)
        throw EReadError(Translated("Engine", texts::StreamReadError));
    content_ = {data.bytes.first(size), std::move(data.owner)};
}

std::span<const std::uint8_t> TFileSettingValue::WriteContent() const {
    if (!HasContent() || contentSize_ < 0)
        AssertionFailed("Content written without a buffer");
    return content_.bytes.first(static_cast<std::size_t>(contentSize_));
}

void TFileSettingValue::Assign(const TPersistent& source) {
    if (const auto* value = dynamic_cast<const TFileSettingValue*>(&source)) {
        fileExists_ = value->fileExists_;
        contentSize_ = value->contentSize_;
        content_ = value->content_;
    }
    TSettingValue::Assign(source);
}

void TFileSettingValue::DefineProperties(TFiler& filer) {
    TSettingValue::DefineProperties(filer);
    // A binary property, read through the reader itself so that the bytes can be shared.
    filer.DefineProperty(
        "Content", [this](TReader& reader) { ReadContent(reader.ReadSharedBinary()); },
        [this](TWriter& writer) { writer.WriteBinary(WriteContent()); }, HasContent());
}

std::string TFileSettingValue::GetHint() const {
    if (!fileExists_)
        return Translated("Engine", NoFileHint);
    if (contentSize_ <= 0)
        return Translated("Engine", EmptyFileHint);
    const std::size_t shown = std::min({content_.bytes.size(), static_cast<std::size_t>(contentSize_), HintLength});
    std::string text(content_.bytes.begin(), content_.bytes.begin() + static_cast<std::ptrdiff_t>(shown));
    if (static_cast<std::size_t>(contentSize_) > HintLength)
        text += "...";
    if (!std::all_of(text.begin(), text.end(), [](char c) { return IsTextByte(static_cast<std::uint8_t>(c)); }))
        return Translated("Engine", BinaryFileHint);
    return text;
}

// ---- TAbstractFileSetting ----

const TClassInfo& TAbstractFileSetting::StaticClass() {
    return MakeClassInfo<TAbstractFileSetting, TSetting>("TAbstractFileSetting");
}

std::unique_ptr<TSettingValue> TAbstractFileSetting::CaptureValue() {
    auto value = std::make_unique<TFileSettingValue>();
    value->LoadFromFile(GetFileName());
    return value;
}

void TAbstractFileSetting::ApplyValue(const TSettingValue& value, TCheckResultList& /*results*/) {
    const auto* fileValue = dynamic_cast<const TFileSettingValue*>(&value);
    if (fileValue == nullptr)
        AssertionFailed("A file setting was given another kind's value");
    const std::string path = GetFileName();
    // Neither is opened: writing or deleting them is never what the value means.
    if (const std::uint32_t attributes = AttributesOf(path); attributes != os::InvalidFileAttributes) {
        if ((attributes & os::FileAttributeDirectory) != 0)
            throw EInOutError(static_cast<int>(os::ErrorAccessDenied), Translated("Engine", FileIsFolder, {path}));
        if ((attributes & os::FileAttributeDevice) != 0)
            throw EInOutError(static_cast<int>(os::ErrorInvalidFunction), Translated("Engine", FileIsDevice, {path}));
        // The preview and the question showed this path: a link would put the bytes somewhere else.
        // Deleting a link removes only the link, so that is left to go on.
        if ((attributes & os::FileAttributeReparsePoint) != 0 && fileValue->FileExists()) {
            std::string target;
            if (os::Files().GetLinkTarget(path, &target) != os::ErrorSuccess)
                throw EInOutError(static_cast<int>(os::ErrorAccessDenied),
                                  Translated("Engine", FileIsBrokenLink, {path}));
            throw EInOutError(static_cast<int>(os::ErrorAccessDenied),
                              Translated("Engine", FileIsLink, {path, target}));
        }
    }
    if (fileValue->FileExists()) {
        // An empty file has no buffer: writing nothing leaves an empty file.
        const auto content = fileValue->Content().first(
            std::min(fileValue->Content().size(), static_cast<std::size_t>(std::max(fileValue->ContentSize(), 0))));
        bool unchanged = true;
        if (const os::ErrorCode e = os::Files().WriteMachineFile(path, content, &unchanged); e != os::ErrorSuccess)
            throw FileWriteError(e, path, unchanged);
        return;
    }
    // An already absent file fails too: the machine did not match the profile.
    if (const os::ErrorCode e = os::Files().DeleteFile(path); e != os::ErrorSuccess)
        throw EOSError(e, WithAdminHint(e, EOSError(e).Message()));
}

// ---- TFileSetting ----

const TSettingClass& TFileSetting::StaticClass() {
    return MakeSettingClass<TFileSetting, TAbstractFileSetting>(
        "TFileSetting", {prop::String("FileName", &TFileSetting::GetFileName, &TFileSetting::SetFileName)},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "File"),
         .description = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Any file on a local or network drive"),
         .category = OthersCategory,
         .editorClass = &NewFileSettingEditor,
         .imageIndex = 5});
}

void TFileSetting::Assign(const TPersistent& source) {
    if (const auto* setting = dynamic_cast<const TFileSetting*>(&source))
        fileName_ = setting->fileName_;
    TAbstractFileSetting::Assign(source);
}

std::string TFileSetting::GetDetails() const {
    return FileNamePartOf(fileName_);
}

// ---- TFileSettingEditor ----

void TFileSettingEditor::SetOpenFileDialog(TOpenFileDialog dialog) {
    Dialog() = std::move(dialog);
}

const TOpenFileDialog& TFileSettingEditor::OpenFileDialog() {
    return Dialog();
}

bool TFileSettingEditor::Edit(TSetting& setting) {
    auto* fileSetting = dynamic_cast<TFileSetting*>(&setting);
    if (fileSetting == nullptr)
        AssertionFailed("The file editor was given another kind of setting");
    if (!Dialog())
        return false;
    const std::string fileName = fileSetting->GetFileName();
    const std::optional<std::string> chosen =
        Dialog()(TOpenFileRequest{.fileName = fileName, .initialFolder = InitialFolderOf(fileName)});
    if (!chosen)
        return false;
    fileSetting->SetFileName(*chosen);
    return true;
}

} // namespace prolamo
