#include "engine/enginestatus.h"

namespace quillon::engine {

bool isBindingStatus(DBIResult status)
{
    switch (status) {
    case kStatusLibraryNotFound:
    case kStatusLibraryLoadFailed:
    case kStatusLibraryUnavailable:
    case kStatusOutOfMemory:
    case kStatusEntryNotFound:
    case kStatusRegistryUnreadable:
    case kStatusNoInitEntry:
        return true;
    default:
        return false;
    }
}

const char *bindingStatusText(DBIResult status)
{
    switch (status) {
    case kStatusLibraryNotFound: return "The database engine library " QDBI_LIBRARY_NAME " was not found.";
    case kStatusLibraryLoadFailed: return "The database engine library " QDBI_LIBRARY_NAME " could not be loaded.";
    case kStatusLibraryUnavailable:
        return "The database engine library " QDBI_LIBRARY_NAME " is neither loaded nor loadable.";
    case kStatusOutOfMemory: return "Not enough memory to load the database engine library " QDBI_LIBRARY_NAME ".";
    case kStatusEntryNotFound: return "The database engine library " QDBI_LIBRARY_NAME " lacks an entry the program needs.";
    case kStatusRegistryUnreadable: return "The engine's DLLPATH registry value could not be read.";
    case kStatusNoInitEntry: return "The database engine library " QDBI_LIBRARY_NAME " has no DbiInitFn entry.";
    default: return "Unknown engine status.";
    }
}

} // namespace quillon::engine
