#include "ui/combotokenlist.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QComboBox>
#include <QStyle>
#include <QVariant>

ComboTokenList::ComboTokenList(QComboBox* combo, bool sorted)
    : m_combo(combo)
    , m_sorted(sorted)
{
}

int ComboTokenList::AddString(const QString& text)
{
    int index = m_combo->count();
    if (m_sorted) {
        int low = 0;
        while (low < index) {
            const int middle = (low + index) / 2;
            if (QString::localeAwareCompare(m_combo->itemText(middle), text) <= 0)
                low = middle + 1;
            else
                index = middle;
        }
    }
    m_combo->insertItem(index, text);
    return index;
}

void ComboTokenList::SetItemData(int index, speech::TokenPtr token)
{
    m_combo->setItemData(index, speech::TokenId(token), kIdRole);
    m_combo->setItemData(index, QVariant::fromValue(std::move(token)));
}

void ComboTokenList::SetCurrentSelection(int index)
{
    m_combo->setCurrentIndex(index);
}

speech::TokenPtr ComboTokenList::GetSelectedToken() const
{
    return m_combo->currentData().value<speech::TokenPtr>();
}

int FindVoiceEntry(const QComboBox& combo, const speech::Platform& platform, const QString& id)
{
    const std::vector<speech::VoiceInfo> voices = speech::ListVoices(platform);
    const speech::VoiceInfo* voice = speech::FindVoiceById(voices, id);
    return voice ? combo.findData(voice->id, ComboTokenList::kIdRole) : -1;
}

void ShowWholeEntries(QComboBox& combo)
{
    int widest = 0;
    for (int i = 0; i < combo.count(); ++i)
        widest = std::max(widest, combo.fontMetrics().horizontalAdvance(combo.itemText(i)));
    combo.view()->setMinimumWidth(widest + 2 * combo.style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}
