// Reading list pages and profile pages: ParseListPage on pages written here, with the profiles
// fetched from the stand-in site (a fresh client each, FullImport off).
#include "AgentTestSupport.h"
#include "site/SitePages.h"
#include "platform/CpLiteral.h"

namespace {

class ListPageTest : public AgentTest {
protected:
    void SetUp() override {
        AgentTest::SetUp();
        for (const char* login : {"a", "b", "c", "d", "e"}) state.folders[0].push_back(MakeContact(login, "x"));
    }
    // Parses body (cp1251 markup after a head; "{host}" replaced) as one list page, sent in enc.
    void Parse(const std::string& body, site::Encoding enc = site::Encoding::Cp1251) {
        std::string page = site::ReplaceAll(site::pages::Head("list", enc) + body + "</body></html>\n", "{host}",
                                            server->LinkHost());
        if (enc != site::Encoding::Cp1251) page = site::Cp1251ToUtf8(page);
        rig.worker->ParseListPage(page);
    }
    std::vector<std::string> Temp() { return Rows(rig.worker->Temp()); }
    std::string H() const { return "http://" + server->LinkHost() + "/"; }
    // The profile requests made so far, by target.
    std::vector<std::string> ProfileTargets() {
        std::vector<std::string> out;
        for (const auto& r : server->Log())
            if (r.route == "profile" || r.route == "raw" || r.route == "unknown") out.push_back(r.target);
        return out;
    }
    static std::string Link(const std::string& login, const std::string& inner, int oid = 1) {
        return "<a href=\"http://{host}/" + login + "/?oid=" + std::to_string(oid) + "\">" + inner + "</a>";
    }
};

TEST_F(ListPageTest, EndTextsInsideTheWindowEndTheFolder) {
    StartSite();
    const std::string ends[] = {u8"Здесь будет храниться ваша переписка"_cp, u8"В этой папке вы можете хранить контакты"_cp,
                                u8"Ваши логин и пароль едины для любого из проектов"_cp};
    for (const std::string& end : ends) {
        rig.worker->PageIndex = 3;
        Parse("<table><tr><td><b><i><u>" + end + "</u></i></b></td></tr></table>\n" +
              "<a href=\"#\">all</a>" + Link("a", u8"Анна"_cp));
        EXPECT_EQ(rig.worker->PageIndex, rig.worker->MaxPages);
        EXPECT_EQ(rig.worker->RowIndex, 0);
    }
    EXPECT_TRUE(Temp().empty());
    EXPECT_TRUE(ProfileTargets().empty());
}

TEST_F(ListPageTest, EndTextOutsideTheWindowOrAfterFoundDoesNot) {
    StartSite();
    // Five elements after the td, and the guarded header of a favourites page.
    Parse(u8"<table><tr><td><b><i><u><s>Здесь будет храниться ваша переписка</s></u></i></b></td></tr></table>\n"
          u8"<table><tr><td class=\"h\">Найдено: 1<br>В этой папке вы можете хранить контакты</td></tr></table>\n"
          u8"<table><tr><td>Найдено и Здесь будет храниться ваша переписка</td></tr></table>\n"
          u8"<a href=\"#\">all</a>"_cp + Link("a", u8"Анна"_cp) + ", 30<br>" + u8"Тула"_cp + "</td></tr>\n");
    EXPECT_EQ(rig.worker->PageIndex, 0);
    EXPECT_EQ(Temp(), (std::vector<std::string>{u8"Анна|a|"_cp + H() + u8"a/|Тула|30|0|0|0|0||0"_cp}));
}

TEST_F(ListPageTest, MarkerArmsTheWalkAndContactTestFiltersLinks) {
    StartSite();
    Parse(Link("a", u8"До метки"_cp) + "\n<a href=\"#\">all</a>\n" + Link("b", u8"Борис"_cp) + "</td></tr>\n" +
          "<a href=\"http://{host}/search.phtml?oid=3\">Search</a></td></tr>\n" +
          "<a href=\"http://{host}/?sold=1&oid=4\">Ad</a></td></tr>\n" +
          "<a href=\"http://{host}/c/\">No oid</a></td></tr>\n" +
          "<a href=\"http://elsewhere/d/?oid=5\">Other host</a></td></tr>\n" +
          "<a href=\"HTTP://{host}/e/?OID=6\">" + u8"Ева"_cp + "</a></td></tr>\n");
    EXPECT_EQ(Temp(), (std::vector<std::string>{u8"Борис|b|"_cp + H() + "b/||0|0|0|0|0||0",
                                                u8"Ева|e|"_cp + H() + "e/||0|0|0|0|0||0"}));
    EXPECT_EQ(ProfileTargets(), (std::vector<std::string>{"/b/?oid=1", "/e/?OID=6"}));
}

TEST_F(ListPageTest, PhotoLinkFirstAndBlankNameGiveNoRow) {
    StartSite();
    Parse("<a href=\"#\">all</a>\n<td><a href=\"http://{host}/a/?oid=1\"><img src=\"http://{host}/a.jpg\"></a></td>\n"
          "<td><a href=\"http://{host}/b/?oid=2\">&nbsp;</a>, 20</td></tr>\n"
          "<td><a href=\"http://{host}/c/?oid=3\"></a></td></tr>\n" +
          Link("d", u8"Дина"_cp, 4) + ", 21</td></tr>\n");
    // The row of "c" has no text before its row end; "b" has a blank name: neither is fetched.
    EXPECT_EQ(Temp(), (std::vector<std::string>{u8"Дина|d|"_cp + H() + "d/||21|0|0|0|0||0"}));
    EXPECT_EQ(ProfileTargets(), (std::vector<std::string>{"/d/?oid=4"}));
}

TEST_F(ListPageTest, AgeForms) {
    StartSite();
    Parse("<a href=\"#\">all</a>\n" +
          // ", age" then the area after a break.
          Link("a", u8"Анна"_cp) + ", 25<br> " + u8"Москва"_cp + "</td></tr>\n" +
          // a bare comma, then a bold number.
          Link("b", u8"Бэла"_cp) + " , <b>31</b><br>" + u8"Казань"_cp + "</td></tr>\n" +
          // a bare comma followed by an image: no age.
          Link("c", u8"Вика"_cp) + " , <img src=\"x.gif\"><b>40</b></td></tr>\n" +
          // no age at all keeps Area empty although the rows around have one.
          Link("d", u8"Галя"_cp) + "</td></tr>\n" +
          // an age that is no number, and one out of the integer range.
          Link("e", u8"Дана"_cp) + ", 2x<br>" + u8"Орёл"_cp + "</td></tr>\n");
    auto rows = Temp();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], u8"Анна|a|"_cp + H() + u8"a/|Москва|25|0|0|0|0||0"_cp);
    EXPECT_EQ(rows[1], u8"Бэла|b|"_cp + H() + u8"b/|Казань|31|0|0|0|0||0"_cp);
    EXPECT_EQ(rows[2], u8"Вика|c|"_cp + H() + "c/||0|0|0|0|0||0");
    EXPECT_EQ(rows[3], u8"Галя|d|"_cp + H() + "d/||0|0|0|0|0||0");
    EXPECT_EQ(rows[4], u8"Дана|e|"_cp + H() + "e/||0|0|0|0|0||0");
}

TEST_F(ListPageTest, LaterClosingLinkOverridesAgeAndHugeAgeIsIgnored) {
    StartSite();
    Parse("<a href=\"#\">all</a>\n" + Link("a", u8"Анна"_cp) + ", 25<br>" + u8"Москва"_cp +
          "<a href=\"x\">y</a>, 26<br>" + u8"Тверь"_cp + "</td></tr>\n" + Link("b", u8"Бэла"_cp) +
          ", 99999999999<br>" + u8"Сочи"_cp + "</td></tr>\n");
    auto rows = Temp();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], u8"Анна|a|"_cp + H() + u8"a/|Тверь|26|0|0|0|0||0"_cp);
    EXPECT_EQ(rows[1], u8"Бэла|b|"_cp + H() + u8"b/|Сочи|0|0|0|0|0||0"_cp);
}

TEST_F(ListPageTest, KnownAndRepeatedContactsAreAddedOnce) {
    StartSite();
    rig.worker->Folders().GetFolderTable(0)->AddFriend("J", "joanna", H() + "joanna/", "", 0, 0, 0, 0, 0, "");
    rig.worker->Folders().GetFolderTable(0)->AddFriend("B", "b", H() + "b/", "", 0, 0, 0, 0, 0, "");
    Parse("<a href=\"#\">all</a>\n" + Link("ann", "Ann") + "</td></tr>\n" + Link("b", "Bob") + "</td></tr>\n" +
          Link("ann", "Ann again", 2) + "</td></tr>\n" + "<a href=\"http://{host}/p.phtml?oid=9\">P</a></td></tr>\n" +
          "<a href=\"http://{host}/p.phtml?oid=9\">P</a></td></tr>\n");
    // "ann" is no longer hidden by "joanna"; an address without a login is still added once.
    EXPECT_EQ(Temp(), (std::vector<std::string>{"Ann|ann|" + H() + "ann/?oid=1||0|0|0|0|0||0",
                                                "P||" + H() + "p.phtml?oid=9||0|0|0|0|0||0"}));
    // Every contact row costs its profile request, known ones included.
    EXPECT_EQ(ProfileTargets().size(), 5u);
}

TEST_F(ListPageTest, HostTypedInCapitalsFindsNoContact) {
    state.folders[0] = {MakeContact("lo", u8"Лора"_cp, "30", u8"Вологда"_cp)};
    StartSite();
    server->Update([this](site::SiteState& s) { s.linkHost = "localhost:" + std::to_string(server->Port()); });
    dm->Settings->AgentServer = "LOCALHOST:" + std::to_string(server->Port());
    ASSERT_GT(Import(), 0);
    EXPECT_EQ(rig.worker->Host, "LOCALHOST:" + std::to_string(server->Port()));
    EXPECT_TRUE(Rows(0).empty());
    EXPECT_TRUE(server->Requests("profile").empty());

    dm->Settings->AgentServer = "localhost:" + std::to_string(server->Port());
    ASSERT_GT(Import(), 0);
    EXPECT_EQ(Rows(0), (std::vector<std::string>{u8"Лора|lo|http://localhost:"_cp + std::to_string(server->Port()) +
                                                 u8"/lo/|Вологда|30|0|0|0|0||0"_cp}));
}

// A page that ended its folder reads as the login page only by a post form with a password input
// before that form's end; a list page's own post form does not make it one.
TEST(LostSessionPageTest, LoginFormNeedsAPasswordInputBeforeItsEnd) {
    const struct {
        const char* forms;
        bool lost;
    } rows[] = {
        {"<form method=\"post\" action=\"login.phtml\"><input type=\"password\" name=\"p\"></form>", true},
        {"<form method=post action=login.phtml><input type=password name=p></form>", true},
        {"<FORM METHOD='POST' ACTION='login.phtml'><INPUT TYPE='PASSWORD' NAME='p'></FORM>", true},
        {"<form name=\"msgs\" method=\"post\" action=\"http://h/messages.phtml?fid=1\">"
         "<input type=\"hidden\" name=\"act\"><input type=\"submit\"></form>",
         false},
        {"<form method=post action=login.phtml></form><input type=password name=p>", false},
        {"<form method=post action=login.phtml><table><tr><td><input type=password name=p>", true},
        {"<form method=post action=login.phtml><form name=poisk method=post action=search.phtml>"
         "<input type=password name=p>",
         false},
        {"<form method=get action=login.phtml><input type=password name=p></form>", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.forms);
        TFindTags ft;
        ft.SetText(u8"<table><tr><td>Здесь будет храниться ваша переписка</td></tr></table>\n"_cp +
                   std::string(row.forms));
        TTagList tags;
        ft.FindTags(tags, "*");
        EXPECT_EQ(TSiteWorker::LostSessionPage(ft.GetHTMLElements()), row.lost);
    }
}

// --- Profile pages -------------------------------------------------------------------------

class ProfileTest : public ListPageTest {
protected:
    // One list row for login "p", whose profile is `profile` after a head: cp1251 markup sent in
    // enc, or with utf8Body UTF-8 markup sent as it is.
    std::string Row(const std::string& profile, site::Encoding enc = site::Encoding::Cp1251, bool utf8Body = false) {
        site::RawPage page(site::pages::Head("profile", enc) + profile + "</body></html>\n");
        page.encoding = enc;
        page.utf8Body = utf8Body;
        server->Update([&](site::SiteState& s) { s.rawPages["/p/?oid=1"] = page; });
        rig.worker->Temp().ClearRecords();
        Parse("<a href=\"#\">all</a>\n" + Link("p", "Polina") + ", 22<br>Area</td></tr>\n");
        auto rows = Temp();
        return rows.empty() ? "" : rows[0];
    }
};

TEST_F(ProfileTest, CanonicalAddressIsTheLastSelfLink) {
    StartSite();
    std::string row = Row("<a href=\"http://{host}/p1/\">http://{host}/p1/</a>\n"
                          "<a href=\"http://{host}/p2/\">http://{host}/p2/</a>\n"
                          "<a href=\"http://{host}/p3/\"><b>http://{host}/p3/</b></a>\n"
                          "<a href=\"http://{host}/p4/\">other</a>\n"
                          "<a href=\"http://{host}/p5\">http://{host}/p5</a>\n");
    EXPECT_EQ(row, "Polina|p2|" + H() + "p2/|Area|22|0|0|0|0||0");
    // Without a self-link the list address stays.
    EXPECT_EQ(Row("<p>nothing</p>"), "Polina|p|" + H() + "p/?oid=1|Area|22|0|0|0|0||0");
}

TEST_F(ProfileTest, IconsAndPhotoCounts) {
    StartSite();
    EXPECT_EQ(Row("<img src=\"http://{host}/img/ico_vip.gif\"><img src=\"/i/i_voice.gif\">"
                  u8"<td>5 фото, 2 интим-фото</td>"_cp),
              "Polina|p|" + H() + "p/?oid=1|Area|22|1|7|1|0||0");
    EXPECT_EQ(Row(u8"<IMG SRC=\"icop_voice.gif\"><td>4 фото</td><td>3 интим-фото</td><td>1 интим-фото</td>"_cp),
              "Polina|p|" + H() + "p/?oid=1|Area|22|0|8|1|0||0");
    // A later " фото" replaces the count; a word before it gives none.
    EXPECT_EQ(Row(u8"<td>2 интим-фото</td><td>6 фото</td><td>много, 9 фото</td><td> 3 фото </td>"_cp),
              "Polina|p|" + H() + "p/?oid=1|Area|22|0|3|0|0||0");
    // Counts at the top of the integer range: a sum that would overflow is ignored.
    EXPECT_EQ(Row(u8"<td>2147483647 фото</td><td>1 интим-фото</td><td>2147483648 интим-фото</td>"_cp),
              "Polina|p|" + H() + "p/?oid=1|Area|22|0|2147483647|0|0||0");
    EXPECT_EQ(Row(u8"<td>2147483000 фото</td><td>647 интим-фото</td>"_cp),
              "Polina|p|" + H() + "p/?oid=1|Area|22|0|2147483647|0|0||0");
}

TEST_F(ProfileTest, Utf8ProfileAndACharacterOutsideTheCodePage) {
    StartSite();
    std::string zoe = site::Utf8(u8"<a href=\"http://{host}/zoë/\">http://{host}/zoë/</a><td>3 фото</td>");
    EXPECT_EQ(Row(zoe, site::Encoding::Utf8, true), "Polina|zo?|" + H() + "zo?/|Area|22|0|3|0|0||0");
    // Declared only in a second meta, the page is read unconverted: the count is not recognised.
    EXPECT_EQ(Row(u8"<td>3 фото</td>"_cp, site::Encoding::Utf8SecondMeta),
              "Polina|p|" + H() + "p/?oid=1|Area|22|0|0|0|0||0");
}

TEST_F(ProfileTest, UnreadableProfileKeepsTheListAddressAndNoMarks) {
    StartSite();
    server->Update([](site::SiteState& s) { s.faults = {{"/p/", 1, 0, site::FaultKind::Drop, 0, "", 0}}; });
    EXPECT_EQ(Row("<img src=\"ico_vip.gif\">"), "Polina|p|" + H() + "p/?oid=1|Area|22|0|0|0|0||0");
}

}  // namespace
