#pragma once

#include "speech/voicecatalogue.h"

class QComboBox;

/// A combo box as the voice catalogue's token list. Each entry holds its token for as long as the
/// box lives. QComboBox has no sorted style: a sorted box places each new entry by its text,
/// after those equal to it.
class ComboTokenList final : public speech::TokenList
{
public:
    ComboTokenList(QComboBox* combo, bool sorted);

    int AddString(const QString& text) override;
    void SetItemData(int index, speech::TokenPtr token) override;
    void SetCurrentSelection(int index) override;
    speech::TokenPtr GetSelectedToken() const override;

private:
    QComboBox* m_combo;
    bool m_sorted;
};
