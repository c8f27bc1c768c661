#pragma once

#include "base/comerror.h"

class QString;

class OwnLists;
class QStandardItemModel;
class WordStore;

/// Tags of 我的词表 and of the own lists under it, held under Qt::UserRole as the catalogue's.
inline constexpr int kOwnListsTag = 1000;
inline constexpr int kOwnListTag = 1001;

/// The course tree's items: the catalogue's categories and books, then under 其他词表 the open
/// vocabulary's courses that are not among them, when it has any. Each item holds its tag under
/// Qt::UserRole. Each book's tooltip says how many words it holds; empty books, and categories
/// whose books are all empty, are drawn in the disabled text colour but stay selectable. The
/// catalogue is there, unmarked, even when reading the vocabulary's courses or counts failed.
Result<void> FillCourseModel(QStandardItemModel& model, WordStore* store);

/// Puts 我的词表 last in the tree (in place of the one there), holding each list of `lists` in
/// the order they were made, each saying how many words it holds. Without lists (null) the
/// node stands alone, greyed, its tooltip `unavailable`: why they are missing. A failure to
/// read the lists leaves the node so with the failure's text, and is returned.
Result<void> FillOwnListsNode(QStandardItemModel& model, OwnLists* lists, const QString& unavailable);
