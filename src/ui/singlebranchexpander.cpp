#include "ui/singlebranchexpander.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QTimer>
#include <QTreeView>

SingleBranchExpander::SingleBranchExpander(QTreeView* view)
    : QObject(view)
    , m_view(view)
{
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &SingleBranchExpander::onCurrentChanged);
    view->viewport()->installEventFilter(this);
}

bool SingleBranchExpander::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        m_buttonDown = true;
    } else if (event->type() == QEvent::MouseButtonRelease) {
        m_buttonDown = false;
        // After the view has handled the release: nothing of this click may see the rows move.
        if (m_hasPending)
            QTimer::singleShot(0, this, &SingleBranchExpander::apply);
    }
    return QObject::eventFilter(watched, event);
}

void SingleBranchExpander::onCurrentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (!m_hasPending)
        m_previous = previous;
    m_pending = current;
    m_hasPending = true;
    if (!m_buttonDown)
        apply();
}

void SingleBranchExpander::apply()
{
    if (!m_hasPending || m_buttonDown)
        return;
    m_hasPending = false;
    const QModelIndex current = m_pending;
    // Collapse the old branch from its node upwards, stopping where it meets the new one.
    for (QModelIndex node = m_previous; node.isValid(); node = node.parent()) {
        bool shared = false;
        for (QModelIndex up = current; up.isValid(); up = up.parent())
            shared = shared || up == node;
        if (!shared)
            m_view->collapse(node);
    }
    if (current.isValid())
        m_view->expand(current);
    m_previous = current;
}
