#include "expert/ideintf.h"

#include <stdexcept>

namespace quillon::expert {

int TInterface::AddRef()
{
    return ++m_refCount;
}

int TInterface::Release()
{
    const int count = --m_refCount;
    if (count == 0)
        m_deleter(this);
    return count;
}

int TInterface::GetVersion()
{
    return 2;
}

const char *TIExpert::GetMenuText()
{
    throw std::logic_error("Abstract error: the expert has no menu text");
}

} // namespace quillon::expert
