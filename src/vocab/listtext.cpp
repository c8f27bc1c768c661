#include "vocab/listtext.h"

ListText ParseListText(const QString&)
{
    return {};
}
