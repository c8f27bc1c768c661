#include "vocab/listfile.h"

Result<QString> ReadListFile(const QString&, const std::function<void(int)>&)
{
    return Fail(ComError(E_NOTIMPL));
}
