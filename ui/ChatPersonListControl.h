#pragma once
// The card list of one folder: a page with one 20-pixel row per record of its table, one card open
// at a time. Registered by class name so that the contacts page creates it by name.
#include <QScrollArea>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Events.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "storage/clXMLDataTable.h"
#include "ui/ChatPersonControl.h"

// A table's event: the tables are data sets, not framework objects.
using TTableEvent = std::function<void(TXMLTable* Sender)>;

class TChatPersonList : public TCustomForm {
    Q_OBJECT
public:
    explicit TChatPersonList(QWidget* owner = nullptr);
    ~TChatPersonList() override;
    std::string ClassName() const override { return "TChatPersonList"; }

    // The cards are its children, in creation order in Cards(). The form scrolls when it is taller
    // than the form; its width follows the form's.
    TPanel* pnPersonList;

    TXMLTable* Friend = nullptr;
    bool BasketVisible = true;

    TNotifyEvent OnBeginPersonClick;
    TNotifyEvent OnEndPersonClick;
    TNotifyEvent OnLoadPersonPhoto;
    TNotifyEvent OnQuestionnaireClick;
    TTableEvent OnSaveChanges;

    // Rebuilds every card from the table; the card of record `selected` (0-based) opens, -1 none.
    void LoadPersons(int selected);
    void PersonClick(TObject* Sender);
    void QuestionnaireClick(TObject* Sender);
    // Asks, then deletes the card's record and the card. A save that fails is shown; the delete
    // in memory stays.
    void DeletePerson(TObject* Sender);
    // The first card whose URL equals the text exactly; null when none.
    TChatPerson* FindPersonByURL(std::string_view URL) const;
    // Frees every card; a card whose handlers are still running (under a modal box) is detached
    // and hidden at once and freed once they have returned.
    void ClearPersons();

    // The cards in the panel, in creation order.
    const std::vector<TChatPerson*>& Cards() const { return cards_; }

    void SetAutoScroll(bool value) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void IndexAdd(TChatPerson* card);
    void IndexRemove(TChatPerson* card);
    void Restack(TChatPerson* clicked);
    // The panel ends 4 pixels below the last card; it keeps its height when there is none.
    void FitPanel();

    QScrollArea* scroll_;
    std::vector<TChatPerson*> cards_;    // in the panel
    std::vector<TChatPerson*> removed_;  // deleted by the user, freed with the list
    std::unordered_map<std::string, TChatPerson*> byUrl_;
};

// The "PhotoCount" text as a count: an optional minus sign and decimal digits within 32 bits;
// anything else counts as 0.
int PhotoCountOf(const std::string& text);
