#pragma once

#include <QByteArray>
#include <QString>

#include "base/comerror.h"

/// The whole contents of the file at `path`; fails as "not found" when there is no such file and
/// as "access denied" when it is there but cannot be opened.
Result<QByteArray> ReadWholeFile(const QString& path);
