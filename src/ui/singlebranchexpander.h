#pragma once

#include <QObject>
#include <QPersistentModelIndex>

class QTreeView;

/// Keeps one branch of a tree open: the node that becomes current is expanded and the branch
/// of the node current before it is collapsed (its ancestors shared with the new one stay).
/// A mouse press may change the current node; collapsing then would move rows under the
/// pointer before the button is released, and the view would take the row that moved there.
/// So a change made by the mouse is applied once the button is up.
class SingleBranchExpander : public QObject
{
    Q_OBJECT

public:
    /// Watches `view`, whose model must already be set; owned by it.
    explicit SingleBranchExpander(QTreeView* view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onCurrentChanged(const QModelIndex& current, const QModelIndex& previous);
    void apply();

    QTreeView* m_view;
    QPersistentModelIndex m_previous;
    QPersistentModelIndex m_pending;
    bool m_hasPending = false;
    bool m_buttonDown = false;
};
