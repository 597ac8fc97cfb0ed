#include "uPersistence.h"

#include "framework/AsciiText.h"
#include "os/Files.h"
#include "os/Folders.h"
#include "os/Text.h"

#include <memory>

namespace prolamo {

namespace {

const TClassInfo* storedClass = &TComponent::StaticClass();
std::unique_ptr<TPersistentData> instance;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

const TClassInfo& TPersistentData::StaticClass() {
    return MakeClassInfo<TPersistentData, TComponent>("TPersistentData");
}

TPersistentData::TPersistentData() {
    SetName("PersistentData");
}

TPersistentData::~TPersistentData() {
    // Nothing can be reported at program end; a failed write leaves the previous file.
    try {
        if (saveOnFree_)
            Save();
    } catch (const std::exception&) {
    }
}

void TPersistentData::SetStoredClass(const TClassInfo& stored) {
    storedClass = &stored;
}

void TPersistentData::Load(const std::string& fileName, os::FileReading reading) {
    fileName_ = fileName;
    std::uint32_t attributes = os::InvalidFileAttributes;
    const os::ErrorCode found = os::Files().GetFileAttributes(fileName, &attributes);
    // Only a file that is not there is a first start; a link to nowhere, or a file that cannot
    // be looked at, is a file that cannot be read.
    if (found == os::ErrorFileNotFound || found == os::ErrorPathNotFound)
        return;
    try {
        if (found != os::ErrorSuccess)
            throw EOSError(found);
        std::shared_ptr<const os::FileBytes> content;
        if (const os::ErrorCode code = os::Files().ReadFileBytes(fileName, reading, &content);
            code != os::ErrorSuccess) {
            // There, but with nothing behind it: a link whose target is missing.
            if (code == os::ErrorFileNotFound || code == os::ErrorPathNotFound)
                throw EOSError(
                    code, Translated("Engine", PROLAMO_TRANSLATE_NOOP(
                                                   "Engine", "The data file is a link to a file that does not exist")));
            throw EOSError(code);
        }
        // Values in pages that another program may rewrite are never written back.
        mapped_ = reading == os::FileReading::Mapped;
        if (mapped_)
            saveOnFree_ = false;
        const std::span<const std::uint8_t> bytes = content->Bytes();
        fileSize_ = bytes.size();
        // Only top-level records of the stored class are made: none of what another holds can
        // pass for the root. The File values share the bytes read rather than copying them.
        ReadComponentResource(bytes, std::move(content), *this, true, storedClass);
    } catch (...) {
        loadFailed_ = true;
        while (!Components().empty())
            delete Components().back();
        throw;
    }
}

void TPersistentData::Register(TComponent& component) {
    if (component.Owner() == this)
        return;
    if (!component.Owner())
        throw EListError("Component " + component.Name() + " has no owner to take it from");
    Register(component.Owner()->RemoveComponent(component));
}

void TPersistentData::Register(std::unique_ptr<TComponent> component) {
    if (component->Name().empty())
        throw EListError("A stored component must have a name");
    if (FindComponent(component->Name()))
        throw EListError("A component named " + component->Name() + " already exists");
    InsertComponent(std::move(component));
}

void TPersistentData::Save() {
    if (mapped_)
        throw EAssertionFailed("A data file read mapped is saved");
    if (fileName_.empty() || loadFailed_)
        return;
    const std::string folder = FolderOf(fileName_);
    if (!folder.empty())
        os::Files().CreateDirectoryTree(folder);
    const std::vector<std::uint8_t> content = WriteComponentResource(*this, fileSize_);
    if (const os::ErrorCode code = os::Files().WriteFileReplacing(fileName_, content); code != os::ErrorSuccess)
        throw EOSError(code);
    fileSize_ = content.size();
}

TPersistentData& GetPersistentData() {
    if (!instance)
        instance = std::make_unique<TPersistentData>();
    return *instance;
}

void FreePersistentData() {
    instance.reset();
}

void LeavePersistentDataToProcessEnd() {
    static TPersistentData* left = nullptr;
    delete left; // one left by an earlier run in this process
    left = instance.release();
}

namespace {

std::string DataFolderMessage(os::HResult result) {
    const std::string missing = "The user's application-data folder, which holds the data file, cannot be found";
    // Only a Win32 code (an HRESULT of the form 0x8007xxxx) other than "not there" tells more.
    constexpr os::HResult win32 = 0x80070000u;
    const os::ErrorCode code = result & 0xFFFFu;
    if ((result & 0xFFFF0000u) != win32 || code == os::ErrorFileNotFound || code == os::ErrorPathNotFound)
        return missing;
    std::string reason = os::SystemErrorText(result);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
    return reason.empty()
               ? missing
               : "The user's application-data folder, which holds the data file, cannot be reached: " + reason;
}

} // namespace

EDataFolderNotFound::EDataFolderNotFound(os::HResult result) : Exception(DataFolderMessage(result)) {}

std::string DataFilePath() {
    char16_t buffer[os::MaxPath] = {};
    if (const os::HResult result = os::Folders().SHGetFolderPath(os::CsidlAppData, 0, buffer);
        result != os::SOk || buffer[0] == u'\0')
        throw EDataFolderNotFound(result);
    const char d = os::PathDelimiter;
    return os::Utf16ToUtf8(buffer) + d + "Orvenik" + d + "QVT" + d + DataFileName;
}

} // namespace prolamo
