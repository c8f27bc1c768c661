#include "base/readfile.h"

#include <QFile>

Result<QByteArray> ReadWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(ComError(file.exists() ? ResultCode::AccessDenied : ResultCode::FileNotFound, path));
    return file.readAll();
}
