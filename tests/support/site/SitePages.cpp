#include "SitePages.h"
#include "platform/CpLiteral.h"

namespace site::pages {

using namespace std::string_literals;

namespace {

std::string Replace(std::string text, const std::string& what, const std::string& with) {
    size_t p = 0;
    while ((p = text.find(what, p)) != std::string::npos) {
        text.replace(p, what.size(), with);
        p += with.size();
    }
    return text;
}

std::string End() { return "</body></html>\n"; }

// Links ahead of the "#" marker: the site's menu. A list reader skips them.
std::string Menu(const SiteState& s) {
    return "<table><tbody><tr>\n"
           "<td><a href=\"http://{host}/\">"s + u8"Главная"_cp + "</a></td>\n"
           "<td><a href=\"http://{host}/search.phtml?oid=1\">"s + u8"Поиск"_cp + "</a></td>\n"
           "<td><a href=\"http://{host}/?sold="s + s.sold + "&oid=2\">" + u8"Реклама"_cp +
           "</a></td>\n"
           "</tr></tbody></table>\n";
}

std::string Photos(const Contact& c, bool session) {
    int intim = session ? c.intimPhotos : 0;
    std::string text;
    if (c.photos > 0 && intim > 0)
        text = std::to_string(c.photos) + u8" фото, "_cp + std::to_string(intim) + u8" интим-фото"_cp;
    else if (c.photos > 0)
        text = std::to_string(c.photos) + u8" фото"_cp;
    else if (intim > 0)
        text = std::to_string(intim) + u8" интим-фото"_cp;
    if (text.empty()) return "";
    return "<td class=\"ph\">" + text + "</td>\n";
}

std::string Row(const Contact& c, int place) {
    std::string href = ContactHref(c, place);
    std::string inner;
    if (c.photoLinkFirst)
        inner += "<td><a href=\"" + href + "\"><img src=\"http://{host}/photos/" + c.login +
                 "_s.jpg\" alt=\"\"></a></td>\n";
    inner += "<td class=\"n\"><a href=\"" + href + "\">" + c.name + "</a>";
    if (!c.age.empty()) {
        if (c.ageForm == AgeForm::Comma)
            inner += ", " + c.age;
        else
            inner += " , <b>" + c.age + "</b>";
        if (!c.area.empty()) inner += "<br>" + c.area;
    }
    inner += "</td>\n";
    std::string cells = "<td class=\"d\">" + c.date + "</td>\n";
    cells += "<td class=\"k\">" + c.mark + "</td>\n";
    if (c.singleTable)
        return "<table class=\"m\"><tbody><tr>\n" + inner + cells + "</tr></tbody></table>\n";
    return "<table class=\"m\"><tbody><tr><td>\n<table><tbody><tr>\n" + inner +
           "</tr></tbody></table>\n</td>\n" + cells + "</tr></tbody></table>\n";
}

std::string EndText(int fid) {
    if (fid == 1) return u8"Здесь будет храниться ваша переписка"_cp;
    return u8"В этой папке вы можете хранить контакты понравившихся пользователей"_cp;
}

}  // namespace

std::string Head(const std::string& title, Encoding enc) {
    std::string meta;
    switch (enc) {
        case Encoding::Cp1251:
            meta = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\n";
            break;
        case Encoding::Utf8:
            meta = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n";
            break;
        case Encoding::Utf8SecondMeta:
            meta = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\n"
                   "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n";
            break;
        case Encoding::Utf8Html5Meta:
            meta = "<meta charset=\"utf-8\">\n";
            break;
        case Encoding::Utf8HeaderOnly:
            break;
    }
    return "<html><head>\n" + meta + "<title>" + title + "</title>\n</head><body>\n";
}

std::string ContactHref(const Contact& c, int place) {
    if (!c.href.empty()) return c.href;
    int oid = c.oid != 0 ? c.oid : 1000 + place;
    return "http://{host}/" + c.login + "/?oid=" + std::to_string(oid);
}

std::string Home(const SiteState& s, Encoding enc) {
    std::string page = Head(u8"Velmora — знакомства"_cp, enc) + Menu(s);
    if (s.loginLink != LoginLink::None) {
        std::string link = "http://{host}/tips/index.phtml?tip=login";
        if (s.loginLink == LoginLink::WithSold) link += "&sold=" + s.sold;
        page += "<table><tbody><tr><td><a href=\"" + link + "\">" + u8"Вход"_cp +
                "</a></td></tr></tbody></table>\n";
    }
    page += "<form name=\"poisk\" method=\"post\" action=\"http://{host}/search.phtml\">\n"
            "<input type=\"text\" name=\"q\" value=\"\">\n"
            "<input type=\"submit\" value=\""s + u8"Найти"_cp + "\">\n</form>\n";
    return page + End();
}

std::string LoginPage(const SiteState& s, Encoding enc, bool withForm, bool withS, bool withLogout) {
    std::string page = Head(u8"Вход на сайт"_cp, enc);
    page += "<form name=\"poisk\" method=\"post\" action=\"http://{host}/search.phtml\">\n"
            "<input type=\"text\" name=\"q\" value=\"\">\n"
            "<input type=\"submit\" value=\""s + u8"Найти"_cp + "\">\n</form>\n";
    page += "<table><tbody><tr><td>"s + u8"Ваши логин и пароль едины для любого из проектов Velmora"_cp +
            "</td></tr></tbody></table>\n";
    if (withForm) {
        page += "<form method=\"post\" action=\"login.phtml\">\n"
                "<input type=\"hidden\" name=\"oid\" value=\"0\">\n"
                "<input type=\"hidden\" name=\"tcurl\" value=\"\">\n";
        if (withS) page += "<input type=\"hidden\" name=\"s\" value=\"" + s.hiddenS + "\">\n";
        page += "<input type=\"text\" name=\"login\" value=\"\">\n"
                "<input type=\"password\" name=\"password\" value=\"\">\n"
                "<input type=\"submit\" value=\""s + u8"Войти"_cp + "\">\n</form>\n";
    } else {
        page += "<table><tbody><tr><td>"s + u8"Вход временно недоступен"_cp +
                "</td></tr></tbody></table>\n";
    }
    if (withLogout)
        page += "<a href=\"http://{host}/logout.phtml\">"s + u8"Выход"_cp + "</a>\n";
    return page + End();
}

std::string AccountPage(const SiteState& s, Encoding enc) {
    return Head(u8"Моя страница"_cp, enc) + Menu(s) + "<table><tbody><tr>\n<td><a href=\"" +
           s.messagesHref + "\">" + u8"Мои сообщения"_cp + "</a></td>\n" +
           "<td><a href=\"http://{host}/logout.phtml\">" + u8"Выход"_cp + "</a></td>\n" +
           "</tr></tbody></table>\n" + End();
}

std::string MessagesPage(const SiteState& s, Encoding enc) {
    static const std::string captions[] = {u8"Общая папка"_cp, u8"Избранные пользователи"_cp,
                                           u8"Черный список"_cp};
    std::string page = Head(u8"Мои сообщения"_cp, enc) + Menu(s) + "<table><tbody>\n";
    int i = 0;
    for (const auto& href : s.folderHrefs) {
        page += "<tr><td><a href=\"" + href + "\">" + captions[i < 3 ? i : 2] + "</a></td></tr>\n";
        ++i;
    }
    page += "</tbody></table>\n<a href=\"http://{host}/logout.phtml\">"s + u8"Выход"_cp + "</a>\n";
    return page + End();
}

namespace {

// Every list page, the end page too, wraps its content in the folder's own post form (the
// real site's form for moving and deleting rows): a POST form with an action, as a login form
// has, but without a password input.
std::string FolderForm(int fid) {
    return "<form name=\"msgs\" method=\"post\" action=\"http://{host}/messages.phtml?fid=" +
           std::to_string(fid) + "\">\n<input type=\"hidden\" name=\"act\" value=\"\">\n";
}

std::string FolderFormEnd() {
    return "<input type=\"submit\" value=\""s + u8"Удалить отмеченные"_cp + "\">\n</form>\n";
}

}  // namespace

std::string FolderPage(const SiteState& s, Encoding enc, int fid, int offset) {
    std::string page = Head(u8"Мои сообщения"_cp, enc) + Menu(s) + FolderForm(fid);
    const std::vector<Contact>* rows = nullptr;
    if (fid >= 1 && fid <= static_cast<int>(s.folders.size())) rows = &s.folders[fid - 1];
    int count = rows ? static_cast<int>(rows->size()) : 0;
    if (offset < 0) offset = 0;
    if (offset >= count) {
        page += "<table><tbody><tr><td class=\"h\">" + EndText(fid) + "</td></tr></tbody></table>\n";
        return page + FolderFormEnd() + End();
    }
    page += "<table><tbody><tr><td class=\"h\">"s + u8"Найдено: "_cp + std::to_string(count);
    if (fid != 1) page += "<br>" + EndText(fid);
    page += "</td></tr></tbody></table>\n";
    page += "<table><tbody><tr><td><a href=\"#\" onclick=\"check_all()\">"s +
            u8"Отметить все"_cp + "</a></td></tr></tbody></table>\n";
    int last = std::min(count, offset + std::max(1, s.pageSize));
    for (int i = offset; i < last; ++i) page += Row((*rows)[i], i);
    page += "<table><tbody><tr>\n";
    if (last < count)
        page += "<td><a href=\"http://{host}/messages.phtml?fid=" + std::to_string(fid) +
                "&offset=" + std::to_string(last) + "\">" + u8"Далее"_cp + "</a></td>\n";
    page += "<td><a href=\"http://{host}/search.phtml?oid=1\">"s + u8"Найти похожих"_cp +
            "</a></td>\n<td><a href=\"http://{host}/?sold=" + s.sold + "&oid=3\">" +
            u8"Реклама"_cp + "</a></td>\n</tr></tbody></table>\n";
    return page + FolderFormEnd() + End();
}

std::string Profile(const SiteState&, Encoding enc, const Contact& c, bool session) {
    std::string page = Head(c.name, enc);
    page += "<table><tbody><tr>\n<td class=\"p\">\n";
    if (c.hasPhoto)
        page += "<a href=\"http://{host}/" + c.login + "/?photo=1\"><img src=\"http://{host}" +
                PhotoPath(c) + "\" alt=\"" + u8"Нажмите, чтобы увеличить"_cp + "\"></a>\n";
    else
        page += "<img src=\"http://{host}/img/nophoto.gif\" alt=\""s + u8"Нет фотографии"_cp + "\">\n";
    page += "</td>\n<td class=\"i\"><span class=\"nm\">" + c.name + "</span>\n";
    if (c.vip) page += "<img src=\"http://{host}/img/ico_vip.gif\" alt=\"VIP\">\n";
    if (c.voice) page += "<img src=\"http://{host}/img/" + c.voiceIcon + "\" alt=\"voice\">\n";
    if (c.online)
        page += "<span class=\"on\">"s + u8"Сейчас на сайте!"_cp + "</span>\n";
    else
        page += "<span class=\"off\">"s + u8"Был на сайте 05.12.2026"_cp + "</span>\n";
    page += "</td>\n" + Photos(c, session) + "</tr></tbody></table>\n";
    page += c.profileExtra;
    std::string self = c.selfLink.empty() ? "http://{host}/" + c.login + "/" : c.selfLink;
    if (self != "-")
        page += "<table><tbody><tr><td>"s + u8"Адрес анкеты: "_cp + "<a href=\"" + self + "\">" +
                self + "</a></td></tr></tbody></table>\n";
    return page + End();
}

std::string CodePage(const SiteState& s, Encoding enc, const Contact& c, int place,
                     const std::string& captchaS, int image) {
    std::string n = std::to_string(image);
    int oid = c.oid != 0 ? c.oid : 1000 + place;
    std::string page = Head(u8"Проверка"_cp, enc);
    page += "<table><tbody><tr><td>"s +
            u8"Для просмотра анкеты введите код, показанный на картинке"_cp +
            "</td></tr></tbody></table>\n";
    page += "<img src=\"http://{host}/tips/reg.phtml?image=" + n + "&s=" + captchaS +
            "\" alt=\"code\">\n";
    page += "<a href=\"http://{host}/tips/reg_code.phtml?image=" + n + "\">" +
            u8"Обновить картинку"_cp + "</a>\n";
    page += "<form method=\"post\" action=\"reg_code.phtml\">\n"
            "<input type=\"hidden\" name=\"oid\" value=\"" + std::to_string(oid) + "\">\n"
            "<input type=\"hidden\" name=\"back\" value=\"" + c.login + "\">\n"
            "<input type=\"hidden\" name=\"s\" value=\"" + captchaS + "\">\n"
            "<input type=\"text\" name=\"check\" value=\"\">\n" + s.codeFormExtra +
            "<input type=\"submit\" value=\"" + u8"Передать"_cp + "\">\n</form>\n";
    return page + End();
}

std::string Goodbye(const SiteState& s, Encoding enc) {
    return Head(u8"До свидания"_cp, enc) + Menu(s) + "<table><tbody><tr><td>"s +
           u8"Вы вышли с сайта"_cp + "</td></tr></tbody></table>\n" + End();
}

std::string NotFound(Encoding enc) {
    return Head(u8"Нет такой страницы"_cp, enc) + "<p>"s + u8"Страница не найдена"_cp + "</p>\n" + End();
}

std::string ErrorPage(int status) {
    return "<html><body><p>error " + std::to_string(status) + "</p></body></html>\n";
}

}  // namespace site::pages

namespace site {
std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
    return pages::Replace(std::move(text), what, with);
}
}  // namespace site
