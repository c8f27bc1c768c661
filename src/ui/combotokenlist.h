#pragma once

#include <QtCore/qnamespace.h>

#include "speech/voicecatalogue.h"

class QComboBox;

/// Widens the box's drop-down list (not the box) so each entry shows whole.
void ShowWholeEntries(QComboBox& combo);

/// A combo box as the voice catalogue's token list. Each entry holds its token for as long as the
/// box lives. QComboBox has no sorted style: a sorted box places each new entry by its text,
/// after those equal to it. Beside its token (Qt::UserRole) an entry holds the token's id.
class ComboTokenList final : public speech::TokenList
{
public:
    static constexpr int kIdRole = Qt::UserRole + 1;

    ComboTokenList(QComboBox* combo, bool sorted);

    int AddString(const QString& text) override;
    void SetItemData(int index, speech::TokenPtr token) override;
    void SetCurrentSelection(int index) override;
    speech::TokenPtr GetSelectedToken() const override;

private:
    QComboBox* m_combo;
    bool m_sorted;
};

/// The entry of `combo`, filled by speech::FillVoiceList, of the voice `id` names as
/// speech::FindVoiceById takes it (a short or a long id); -1 for none.
int FindVoiceEntry(const QComboBox& combo, const speech::Platform& platform, const QString& id);
