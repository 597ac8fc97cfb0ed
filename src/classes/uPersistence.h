#pragma once

#include "framework/Component.h"
#include "framework/Exceptions.h"
#include "framework/Stream.h"
#include "os/Errors.h"
#include "os/Files.h"

#include <string>

namespace prolamo {

// A component list that the object holding it can make appear in the stream as a property:
// a list of complete component records, written only when the list has members.
template <class T> class TPersistentComponentList : public TComponentList<T> {
public:
    using TComponentList<T>::TComponentList;

    virtual void DefineProperties(TFiler& filer, const std::string& name) {
        filer.DefineProperty(
            name, [this](TReader& reader) { ReadMembers(reader); },
            [this](TWriter& writer) {
                writer.WriteListBegin();
                for (T* member : *this)
                    writer.WriteComponent(*member);
                writer.WriteListEnd();
            },
            !this->Empty());
    }

private:
    void ReadMembers(TReader& reader) {
        reader.ReadListBegin();
        while (!reader.EndOfList()) {
            std::unique_ptr<TComponent> component = reader.ReadComponent();
            auto* member = dynamic_cast<T*>(component.get());
            if (!member)
                throw EReadError(
                    Translated("Engine", texts::AssignError, {component->ClassName(), T::StaticClass().ClassName()}));
            component.release();
            this->Add(std::unique_ptr<T>(member));
        }
        reader.ReadListEnd();
    }
};

// Owns the stored top-level components and reads and writes the data file.
class TPersistentData : public TComponent {
    PROLAMO_CLASS()

public:
    TPersistentData();
    // Saves, then frees the stored components.
    ~TPersistentData() override;

    const std::string& FileName() const { return fileName_; }

    // The class of the top-level components that Load reads; records of others are stepped over.
    static void SetStoredClass(const TClassInfo& storedClass);

    // Reads FileName when it exists. A file that cannot be read raises the reading error, and
    // the instance then never writes the file, so what is on disk stays as it was; so does a link
    // whose target is missing. Only top-level components of the stored class are read. Reading
    // Mapped is for a short run that never saves (see os::FileReading): it is not saved when freed,
    // and Save raises EAssertionFailed.
    void Load(const std::string& fileName, os::FileReading reading = os::FileReading::Copy);
    bool LoadFailed() const { return loadFailed_; }
    // Makes Component a stored top-level component, taking it from any owner it has.
    void Register(TComponent& component);
    void Register(std::unique_ptr<TComponent> component);
    // Writes the whole file atomically: the previous file stays on any failure.
    void Save();
    // Whether freeing the instance saves (the desktop program's way). A front end that saves
    // explicitly, or only for some commands, turns it off.
    void SetSaveOnFree(bool save) { saveOnFree_ = save; }

    std::vector<TComponent*> StreamChildren() const override { return Components(); }

private:
    std::string fileName_;
    bool loadFailed_ = false;
    bool mapped_ = false;
    bool saveOnFree_ = true;
    std::size_t fileSize_ = 0; // as last read or written: the next save's buffer size
};

// The process's instance, constructed on first use; FreePersistentData saves and frees it.
TPersistentData& GetPersistentData();
void FreePersistentData();
// For a process about to end: the instance is neither saved nor freed, and the system takes its
// memory back with the process at once instead of it being taken apart piece by piece. It stays
// reachable, so leak checkers report nothing; the next GetPersistentData makes a new one.
void LeavePersistentDataToProcessEnd();

// The shell cannot give the user's roaming application-data folder: Result is what it answered.
// A folder that is there but cannot be reached (the workstation's disk is full) says why.
class EDataFolderNotFound : public Exception {
public:
    explicit EDataFolderNotFound(os::HResult result);
};

// The data file's own name.
inline constexpr const char* DataFileName = "qvt.dfm";
// The data file's path: "Orvenik/QVT/qvt.dfm" below the user's roaming application-data folder.
// Raises EDataFolderNotFound rather than build a path from an empty folder.
std::string DataFilePath();

} // namespace prolamo
