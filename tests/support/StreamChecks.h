#pragma once

#include "framework/Stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace prolamo::test {

// The message of the E that Action raises, or "(nothing raised)".
template <class E, class F> std::string MessageOf(F action) {
    try {
        action();
    } catch (const E& e) {
        return e.what();
    }
    return "(nothing raised)";
}

// What the data file would hold for Value (its properties), read back into a fresh one.
template <class V> std::unique_ptr<V> StoredAndRead(V& value, std::vector<std::uint8_t>* stored = nullptr) {
    std::vector<std::uint8_t> bytes;
    {
        TWriter writer(bytes);
        writer.WriteProperties(value);
        writer.WriteListEnd();
    }
    if (stored)
        *stored = bytes;
    auto back = std::make_unique<V>();
    TReader reader(bytes);
    reader.ReadProperties(*back);
    return back;
}

} // namespace prolamo::test
