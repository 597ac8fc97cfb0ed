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

TPersistentData::TPersistentData() { SetName("PersistentData"); }

TPersistentData::~TPersistentData() {
    // Nothing can be reported at program end; a failed write leaves the previous file.
    try {
        if (saveOnFree_)
            Save();
    } catch (const std::exception&) {
    }
}

void TPersistentData::SetStoredClass(const TClassInfo& stored) { storedClass = &stored; }

void TPersistentData::Load(const std::string& fileName) {
    fileName_ = fileName;
    std::uint32_t attributes = os::InvalidFileAttributes;
    if (os::Files().GetFileAttributes(fileName, &attributes) != os::ErrorSuccess)
        return;
    std::vector<std::uint8_t> content;
    try {
        if (const os::ErrorCode code = os::Files().ReadWholeFile(fileName, &content); code != os::ErrorSuccess)
            throw EOSError(code);
        fileSize_ = content.size();
        // The File values share the bytes read rather than copying their content out of them.
        ReadComponentResource(std::make_shared<const std::vector<std::uint8_t>>(std::move(content)), *this, true);
    } catch (...) {
        loadFailed_ = true;
        while (!Components().empty())
            delete Components().back();
        throw;
    }
    const auto& owned = Components();
    for (std::size_t i = owned.size(); i-- > 0;)
        if (!owned[i]->InheritsFrom(*storedClass))
            delete owned[i];
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

void FreePersistentData() { instance.reset(); }

std::string DataFilePath() {
    char16_t buffer[os::MaxPath] = {};
    std::string appData;
    if (os::Folders().SHGetFolderPath(os::CsidlAppData, 0, buffer) == os::SOk)
        appData = os::Utf16ToUtf8(buffer);
    const char d = os::PathDelimiter;
    return appData + d + "Orvenik" + d + "QVT" + d + "qvt.dfm";
}

} // namespace prolamo
