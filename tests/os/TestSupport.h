#pragma once

#include "os/Registry.h"
#include "os/simulated/Machine.h"
#include "os/simulated/SimNetwork.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace prolamo::os::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "prolamo-os-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A test on its own temporary machine, which is the process's current one meanwhile.
class MachineTest : public ::testing::Test {
protected:
    TempFolder temp_;
    std::unique_ptr<simulated::Machine> machine_ = simulated::Machine::Open(temp_.Path() / "machine");
    simulated::ScopedCurrentMachine current_{*machine_};
};

// A machine test that looks at the machine's adapters.
class AdapterTest : public MachineTest {
protected:
    simulated::AdapterRecord Adapter(std::string_view connection) {
        std::vector<simulated::AdapterRecord> adapters;
        EXPECT_EQ(simulated::ReadAdapters(*machine_, &adapters), ErrorSuccess);
        for (const auto& a : adapters)
            if (a.connectionName == connection)
                return a;
        ADD_FAILURE() << connection;
        return {};
    }
};

inline std::vector<std::uint8_t> Utf16Data(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

inline ErrorCode SetString(HKey key, std::u16string_view name, std::u16string_view text, std::uint32_t type = RegSz) {
    const auto bytes = Utf16Data(text);
    return Registry().SetValueEx(key, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

inline ErrorCode SetDword(HKey key, std::u16string_view name, std::uint32_t value) {
    return Registry().SetValueEx(key, name, RegDword, reinterpret_cast<const std::uint8_t*>(&value), 4);
}

struct Value {
    ErrorCode error = ErrorSuccess;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;

    std::u16string Text() const {
        std::u16string text;
        for (std::size_t i = 0; i + 1 < data.size(); i += 2)
            text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
        if (!text.empty() && text.back() == u'\0')
            text.pop_back();
        return text;
    }
    std::uint32_t Dword() const {
        return data.size() == 4 ? static_cast<std::uint32_t>(data[0] | (data[1] << 8) | (data[2] << 16) |
                                                             (static_cast<std::uint32_t>(data[3]) << 24))
                                : 0xDEADBEEF;
    }
};

// Two-step query as callers do it: size first, then the data.
inline Value Query(HKey key, std::u16string_view name) {
    Value v;
    std::uint32_t size = 0;
    v.error = Registry().QueryValueEx(key, name, &v.type, nullptr, &size);
    if (v.error != ErrorSuccess)
        return v;
    v.data.resize(size);
    v.error = Registry().QueryValueEx(key, name, &v.type, v.data.data(), &size);
    v.data.resize(size);
    return v;
}

inline std::vector<std::u16string> ValueNames(HKey key) {
    std::vector<std::u16string> names;
    for (std::uint32_t i = 0;; ++i) {
        char16_t name[256];
        std::uint32_t length = 256;
        const ErrorCode e = Registry().EnumValue(key, i, name, &length, nullptr, nullptr, nullptr);
        if (e == ErrorNoMoreItems)
            break;
        if (e != ErrorSuccess) {
            ADD_FAILURE() << "EnumValue failed with " << e;
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

} // namespace prolamo::os::test
