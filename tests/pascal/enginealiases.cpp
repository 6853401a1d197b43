#include "enginealiases.h"

#include "enginelib/quillondbi.h"

#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>

namespace quillon::testing {

namespace {

template <class Fn>
Fn entry(void *library, const std::string &name)
{
    void *address = ::dlsym(library, name.c_str());
    if (address == nullptr)
        throw std::runtime_error(std::string(QDBI_LIBRARY_NAME) + " has no entry " + name);
    return reinterpret_cast<Fn>(address);
}

std::string lastError(void *library)
{
    char text[512] = "";
    entry<PFN_DbiGetLastError>(library, engine::ordinalSymbol(QDBI_ORD_GETLASTERROR))(nullptr, text,
                                                                                    sizeof text);
    return text;
}

} // namespace

EngineAliases::EngineAliases(const std::filesystem::path &configFile)
{
    ::setenv("QUILLON_ENGINE_CONFIG", configFile.c_str(), 1);
    m_library = ::dlopen(QDBI_LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
    if (m_library == nullptr)
        throw std::runtime_error(std::string("cannot load ") + QDBI_LIBRARY_NAME + ": " + ::dlerror());
    if (entry<PFN_DbiInitFn>(m_library, "DbiInitFn")(QDBI_INTERFACE_VERSION, nullptr) != 0) {
        const std::string why = lastError(m_library);
        ::dlclose(m_library);
        throw std::runtime_error("DbiInitFn failed: " + why);
    }
}

EngineAliases::~EngineAliases()
{
    entry<PFN_DbiExit>(m_library, "DbiExit")();
    ::dlclose(m_library);
}

void EngineAliases::add(const std::string &alias, const std::string &driver,
                        const std::filesystem::path &path)
{
    const std::string params = "PATH:" + path.string();
    const auto addAlias = entry<PFN_DbiAddAlias>(m_library, engine::ordinalSymbol(QDBI_ORD_ADDALIAS));
    if (addAlias(nullptr, alias.c_str(), driver.c_str(), params.c_str(), 1) != 0)
        throw std::runtime_error("cannot add the alias " + alias + ": " + lastError(m_library));
}

} // namespace quillon::testing
