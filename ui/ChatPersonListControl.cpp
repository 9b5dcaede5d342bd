#include "ui/ChatPersonListControl.h"

#include <QEvent>
#include <QScrollBar>
#include <algorithm>

#include "platform/CpLiteral.h"
#include "platform/gui/Application.h"
#include "ui/dlMessages.h"

int PhotoCountOf(const std::string& text) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) i = 1;
    if (i == text.size()) return 0;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) return 0;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) return 0;
    return static_cast<int>(value);
}

TChatPersonList::TChatPersonList(QWidget* owner) : TCustomForm(owner) {
    SetClientSize(686, 385);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("sbPersonList"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(false);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setGeometry(rect());
    ::SetAlign(scroll_, alClient);
    pnPersonList = new TPanel();
    pnPersonList->setObjectName(QStringLiteral("pnPersonList"));
    pnPersonList->SetBevelOuter(bvNone);
    pnPersonList->resize(scroll_->viewport()->width(), pnPersonList->height());
    scroll_->setWidget(pnPersonList);
    scroll_->viewport()->installEventFilter(this);
    SetColor(QColor(255, 255, 255));
    pnPersonList->SetColor(Color());
    SetAutoScroll(AutoScroll());
}

TChatPersonList::~TChatPersonList() {
    scroll_->viewport()->removeEventFilter(this);
}

void TChatPersonList::SetAutoScroll(bool value) {
    TCustomForm::SetAutoScroll(value);
    scroll_->setVerticalScrollBarPolicy(value ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

bool TChatPersonList::eventFilter(QObject* watched, QEvent* event) {
    // The panel is aligned to the top of the form: its width follows the visible width.
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize) {
        const int dw = scroll_->viewport()->width() - pnPersonList->width();
        pnPersonList->resize(scroll_->viewport()->width(), pnPersonList->height());
        // The cards keep to the left, top and right edges of the panel. The list keeps them itself
        // rather than through the framework's anchors: thousands of cards need no watcher each.
        if (dw != 0)
            for (const auto* cards : {&cards_, &removed_})
                for (TChatPerson* c : *cards) c->resize(c->width() + dw, c->height());
    }
    return TCustomForm::eventFilter(watched, event);
}

void TChatPersonList::IndexAdd(TChatPerson* card) { byUrl_.emplace(card->URL(), card); }

void TChatPersonList::IndexRemove(TChatPerson* card) {
    auto it = byUrl_.find(card->URL());
    if (it == byUrl_.end() || it->second != card) return;
    byUrl_.erase(it);
    for (TChatPerson* c : cards_)
        if (c != card && c->URL() == card->URL()) {
            byUrl_.emplace(c->URL(), c);
            break;
        }
}

TChatPerson* TChatPersonList::FindPersonByURL(std::string_view URL) const {
    auto it = byUrl_.find(std::string(URL));
    return it == byUrl_.end() ? nullptr : it->second;
}

void TChatPersonList::ClearPersons() {
    std::vector<TChatPerson*> all;
    all.swap(removed_);
    all.insert(all.end(), cards_.begin(), cards_.end());
    cards_.clear();
    byUrl_.clear();
    // Freed from the last: a child is found from the front of its parent's list.
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        TChatPerson* card = *it;
        if (card->Dispatching())
            card->Detach();
        else
            delete card;
    }
}

void TChatPersonList::LoadPersons(int selected) {
    ClearPersons();
    int extra = 0;
    if (!Friend) throw Exception("Friend is not set");
    Friend->Open();
    Friend->First();
    const int n = Friend->RecordCount();
    const int panelWidth = pnPersonList->width();
    cards_.reserve(static_cast<size_t>(n));
    byUrl_.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const std::string name = Friend->GetFieldText("Name");
        if (!name.empty()) {
            // Made in the panel at once (hidden until shown below): a parentless widget would be a
            // window of its own first, and moving it into the panel costs more than the card.
            auto* card = new TChatPerson(pnPersonList);
            card->OnPersonClick = [this](TObject* s) { PersonClick(s); };
            card->OnQuestionnaireClick = [this](TObject* s) { QuestionnaireClick(s); };
            card->OnBasketClick = [this](TObject* s) { DeletePerson(s); };
            card->OnDelete = [this](TObject* s) { DeletePerson(s); };
            card->SetPersonName(name);
            std::string full = name;
            const std::string age = Friend->GetFieldText("Age");
            if (!age.empty() && age != "0") full += ", " + age;
            const std::string area = Friend->GetFieldText("Area");
            if (!area.empty()) full += ", " + area;
            card->SetFullName(full);
            card->SetURL(Friend->GetFieldText("URL"));
            auto flag = [&](std::string_view field) {
                const std::string v = Friend->GetFieldText(field);
                return !v.empty() && v != "0";
            };
            card->SetVipUser(flag("VipUser"));
            card->SetWithVoice(flag("WithVoice"));
            card->SetIntim(flag("Intim"));
            card->SetPhotoCount(PhotoCountOf(Friend->GetFieldText("PhotoCount")));
            card->SetLetter(Friend->GetFieldText("NewMessage") == "1");
            // Made expanded, then collapsed.
            card->SetChatPersonStyle(cpFull);
            card->SetChatPersonStyle(cpShort);
            card->setGeometry(0, i * 20 + extra, panelWidth, card->height());
            if (i == selected) {
                card->SetChatPersonStyle(cpFull);
                extra = card->height() - 20;
            }
            card->SetBasketVisible(BasketVisible);
            card->show();
            cards_.push_back(card);
            IndexAdd(card);
        }
        Friend->Next();
    }
    FitPanel();
}

void TChatPersonList::FitPanel() {
    if (cards_.empty()) return;
    TChatPerson* last = cards_.back();
    pnPersonList->resize(pnPersonList->width(), last->y() + last->height() + 4);
}

void TChatPersonList::Restack(TChatPerson* clicked) {
    // Both passes are worked out first and each card is placed once: nothing happens between them.
    const int panelWidth = pnPersonList->width();
    const int panelHeight = pnPersonList->height();
    bool overflow = false;
    int extra = 0;
    for (size_t i = 0; i < cards_.size(); ++i) {
        TChatPerson* c = cards_[i];
        const int top = static_cast<int>(i) * 20 + extra;
        int height = 20;
        if (c == clicked && c->ChatPersonStyle() != cpFull) {
            height = 120;
            extra = height - 20;
        }
        if (top + height > panelHeight) overflow = true;
    }
    const int width = overflow ? panelWidth - 22 : panelWidth - 2;
    extra = 0;
    for (size_t i = 0; i < cards_.size(); ++i) {
        TChatPerson* c = cards_[i];
        const TChatPersonStyle style = c == clicked && c->ChatPersonStyle() != cpFull ? cpFull : cpShort;
        if (c->ChatPersonStyle() != style) c->SetChatPersonStyle(style);
        const QRect place(0, static_cast<int>(i) * 20 + extra, width, c->height());
        if (c->geometry() != place) c->setGeometry(place);
        if (style == cpFull) extra = c->height() - 20;
    }
    FitPanel();
}

void TChatPersonList::PersonClick(TObject* Sender) {
    auto* card = dynamic_cast<TChatPerson*>(Sender);
    if (OnBeginPersonClick) OnBeginPersonClick(Sender);
    Restack(card);
    if (card) card->setFocus(Qt::MouseFocusReason);
    if (OnLoadPersonPhoto) OnLoadPersonPhoto(Sender);
    if (OnEndPersonClick) OnEndPersonClick(Sender);
}

void TChatPersonList::QuestionnaireClick(TObject* Sender) {
    if (OnQuestionnaireClick) OnQuestionnaireClick(Sender);
}

void TChatPersonList::DeletePerson(TObject* Sender) {
    auto* card = dynamic_cast<TChatPerson*>(Sender);
    if (!card) return;
    QPointer<TChatPersonList> self(this);
    bool confirmed = false;
    {
        // Timers keep ticking under the question: a rebuild meanwhile detaches the card.
        TChatPerson::DispatchGuard guard(card);
        try {
            const std::string question = u8"Удалить контакт "_cp + '"' + card->PersonName() + "\"?";
            confirmed = dlgMessages && dlgMessages->MessageDlg(question, mtInformation, {mbYes, mbNo}) == mrYes;
        } catch (...) {
        }
        if (!self || card->Detached()) return;
    }
    if (!confirmed) return;
    try {
        if (Friend) {
            const std::string url = card->URL();
            Friend->First();
            for (int k = 0; !Friend->Eof(); ++k) {
                if (Friend->GetFieldText("URL") == url) {
                    Friend->DeleteRecord(k);
                    break;
                }
                Friend->Next();
            }
        }
        const int width = pnPersonList->width() - 22;
        int p = 0;
        for (TChatPerson* c : cards_) {
            if (c == card) continue;
            c->setGeometry(0, p * 20, width, c->height());
            ++p;
        }
        card->hide();
        IndexRemove(card);
        cards_.erase(std::find(cards_.begin(), cards_.end(), card));
        removed_.push_back(card);
    } catch (...) {
    }
    // A save that fails must not look done: its error is shown.
    try {
        if (OnSaveChanges) OnSaveChanges(Friend);
    } catch (...) {
        if (Application) Application->HandleException();
    }
}
