#include "vocab/ownlists.h"

#include <QStandardPaths>

struct OwnLists::Connection
{
};

OwnLists::OwnLists() = default;
OwnLists::~OwnLists() = default;

QString OwnLists::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/lexovox/mylists.db");
}

Result<void> OwnLists::Open(const QString&) { return Fail(ComError(E_NOTIMPL)); }
bool OwnLists::IsOpen() const { return false; }
Result<QStringList> OwnLists::Names() { return Fail(ComError(E_NOTIMPL)); }
Result<QList<OwnListWord>> OwnLists::Words(const QString&) { return Fail(ComError(E_NOTIMPL)); }
Result<void> OwnLists::Save(const QString&, const QList<OwnListWord>&, bool) { return Fail(ComError(E_NOTIMPL)); }
Result<void> OwnLists::Rename(const QString&, const QString&) { return Fail(ComError(E_NOTIMPL)); }
Result<void> OwnLists::Remove(const QString&) { return Fail(ComError(E_NOTIMPL)); }

QString CheckListName(const QString& name)
{
    return name.isEmpty() ? QStringLiteral("empty") : QString();
}
