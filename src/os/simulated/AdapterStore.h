#pragma once
// The adapter table's pieces that its store, its seed, its migration and the instrumentation
// objects share (internal to the backend).

#include "os/simulated/SimNetwork.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace prolamo::os::simulated {

// Writes the adapter's row and its TCP/IP registry values inside the caller's transaction; answers
// an SQLite code.
int StoreAdapter(sqlite3* db, const AdapterRecord& adapter);

// The adapters a new machine is seeded with.
std::vector<AdapterRecord> LaptopAdapters();

// Gives the adapter table of a machine seeded before the table knew the network an adapter is
// attached to its columns; throws when that fails.
void AddLocationColumns(sqlite3* db);

std::vector<std::u16string> Wide(const std::vector<std::string>& list);

} // namespace prolamo::os::simulated
