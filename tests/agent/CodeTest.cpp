// Confirmation codes during an import with FullImport on. The "user" at the dialog is a test
// function that sends the code through the same sender the dialog uses.
#include "AgentTestSupport.h"
#include "agent/RegCodeSender.h"
#include "platform/CpLiteral.h"

namespace {

class CodeTest : public AgentTest {
protected:
    void SetUp() override {
        AgentTest::SetUp();
        for (int i = 0; i < 4; ++i) {
            site::Contact c = MakeContact("k" + std::to_string(i), u8"Кира "_cp + std::to_string(i), "30", u8"Омск"_cp);
            c.photos = 2;
            c.intimPhotos = 1;
            c.asksCode = i == 1 || i == 2;
            c.captchaS = "s7";
            state.folders[0].push_back(c);
        }
        state.codes["s7"] = "4711";
    }
    // The user types code and presses "Передать код" once; or ticks the box and gives up.
    void UserTypes(std::string code, bool noMore = false) {
        rig.answer = [code, noMore](const TCodeRequest& r, TSubmit& s) {
            TCodeAnswer a;
            a.NoMoreCodes = noMore;
            if (code.empty()) {
                a.ModalResult = 5;
                return a;
            }
            TRegCodeSender sender;
            sender.PageURL = r.PageURL;
            sender.ImageURL = r.ImageURL;
            sender.PageHTML = r.PageHTML;
            sender.Submit = &s;
            sender.Code = code;
            a.ModalResult = sender.SendCode() ? 1 : 5;
            a.PageHTML = sender.PageHTML;
            a.Code = code;
            return a;
        };
    }
    int RunFull() {
        if (!LogIn()) return -1;
        rig.worker->FullImport = true;
        rig.worker->StartImport();
        return rig.RunToEnd();
    }
    std::string H() const { return "http://" + server->Host(); }
};

TEST_F(CodeTest, FirstCodeOpensTheDialogAndARepeatedPictureIsAnsweredWithout) {
    StartSite();
    UserTypes("4711");
    ASSERT_GT(RunFull(), 0);
    ASSERT_EQ(rig.prompts.size(), 1u);
    const TCodeRequest& req = rig.prompts[0];
    EXPECT_EQ(req.PageURL, H() + "/tips/index.phtml");
    EXPECT_EQ(req.ImageURL, H() + "/tips/reg.phtml?image=1&s=s7");
    EXPECT_NE(req.PageHTML.find("<form method=\"post\" action=\"reg_code.phtml\">\r\n"), std::string::npos);

    auto posts = server->Requests("code-post");
    ASSERT_EQ(posts.size(), 2u);  // the dialog's and the repeat's
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(posts[i].target, "/tips/reg_code.phtml");
        EXPECT_EQ(posts[i].session, "S1");
        std::string k = std::to_string(i + 1);
        EXPECT_EQ(posts[i].body, "oid=100" + k + "&back=k" + k + "&s=s7&check=4711&=%CF%E5%F0%E5%E4%E0%F2%FC");
    }
    EXPECT_EQ(posts[1].fields.back(), (std::pair<std::string, std::string>{"", u8"Передать"_cp}));
    EXPECT_TRUE(server->Requests("picture").empty());
    // Both code rows got the full profile (with the intim photo), through the session.
    auto rows = Rows(0);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1], u8"Кира 1|k1|"_cp + H() + u8"/k1/|Омск|30|0|3|0|0||0"_cp);
    EXPECT_EQ(rows[2], u8"Кира 2|k2|"_cp + H() + u8"/k2/|Омск|30|0|3|0|0||0"_cp);
    EXPECT_EQ(rig.worker->LastCode, "4711");
    EXPECT_EQ(rig.worker->LastCaptchaURL, H() + "/tips/reg.phtml?image=2&s=s7");
    for (const auto& p : server->Requests("profile")) EXPECT_EQ(p.session, "S1");
    // The code went out from inside a step: the worker's timer was off for every request.
    for (bool on : rig.timer->Probes()) EXPECT_FALSE(on);

    // A new run's first code asks again although the picture repeats the last one.
    rig.worker->Logout();
    ASSERT_GT(RunFull(), 0);
    EXPECT_EQ(rig.prompts.size(), 2u);
}

TEST_F(CodeTest, CodeTypedWithBlanksIsPostedTrimmedAndRememberedAsTyped) {
    StartSite();
    UserTypes("  4711 ");
    ASSERT_GT(RunFull(), 0);
    auto posts = server->Requests("code-post");
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].Field("check"), "4711");
    EXPECT_EQ(posts[1].Field("check"), "4711");
    EXPECT_EQ(rig.worker->LastCode, "  4711 ");
}

TEST_F(CodeTest, EveryInputOfTheFormIsPostedAndEachCheckGetsTheCode) {
    state.codeFormExtra = "<input type=\"text\" name=\"check\" value=\"x\">\n"
                          "<input type=\"hidden\" name=\"Check\" value=\"own\">\n"
                          "<input type=\"hidden\" value=\"nameless\">\n";
    StartSite();
    UserTypes("4711");
    ASSERT_GT(RunFull(), 0);
    auto posts = server->Requests("code-post");
    ASSERT_FALSE(posts.empty());
    EXPECT_EQ(posts[0].body,
              "oid=1001&back=k1&s=s7&check=4711&check=4711&Check=own&=nameless&=%CF%E5%F0%E5%E4%E0%F2%FC");
}

TEST_F(CodeTest, NoMoreCodesSwitchesTheRestOfTheRunToFreshClients) {
    StartSite();
    UserTypes("", true);
    ASSERT_GT(RunFull(), 0);
    EXPECT_EQ(rig.prompts.size(), 1u);
    EXPECT_FALSE(rig.worker->FullImport);
    EXPECT_TRUE(server->Requests("code-post").empty());
    auto profiles = server->Requests("profile");
    std::vector<std::string> seen;
    for (const auto& p : profiles) seen.push_back(p.target.substr(0, 4) + (p.session.empty() ? " fresh" : " session"));
    EXPECT_EQ(seen, (std::vector<std::string>{"/k0/ session", "/k1/ session", "/k1/ fresh", "/k2/ fresh", "/k3/ fresh"}));
    for (const auto& p : profiles) {
        if (p.session.empty()) {
            EXPECT_EQ(p.Header("Accept"), "text/html, */*");
        }
    }
    auto rows = Rows(0);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1], u8"Кира 1|k1|"_cp + H() + u8"/k1/|Омск|30|0|2|0|0||0"_cp);  // the guest view
    EXPECT_EQ(rows[3], u8"Кира 3|k3|"_cp + H() + u8"/k3/|Омск|30|0|2|0|0||0"_cp);
}

TEST_F(CodeTest, CancelledCodeSendsTheRowToAFreshClientAndAsksAgainNextTime) {
    StartSite();
    UserTypes("");
    ASSERT_GT(RunFull(), 0);
    EXPECT_EQ(rig.prompts.size(), 2u);  // nothing was accepted, so no repeat
    EXPECT_TRUE(rig.worker->FullImport);
    EXPECT_EQ(rig.worker->LastCode, "");
    EXPECT_EQ(Rows(0).size(), 4u);
}

TEST_F(CodeTest, RefusedRepeatGoesToAFreshClientWithoutADialog) {
    state.codesOnce = true;
    StartSite();
    UserTypes("4711");
    ASSERT_GT(RunFull(), 0);
    EXPECT_EQ(rig.prompts.size(), 1u);
    auto posts = server->Requests("code-post");
    ASSERT_EQ(posts.size(), 2u);
    auto k2 = [&] {
        std::vector<std::string> out;
        for (const auto& p : server->Requests("profile"))
            if (p.target.rfind("/k2/", 0) == 0) out.push_back(p.session);
        return out;
    }();
    EXPECT_EQ(k2, (std::vector<std::string>{"S1", ""}));
    EXPECT_EQ(Rows(0)[2], u8"Кира 2|k2|"_cp + H() + u8"/k2/|Омск|30|0|2|0|0||0"_cp);
    EXPECT_EQ(rig.worker->LastCaptchaURL, H() + "/tips/reg.phtml?image=1&s=s7");  // only the accepted one
}

TEST_F(CodeTest, RefusedCodeInTheDialogOutcomeLeavesTheRowToAFreshClient) {
    StartSite();
    UserTypes("0000");
    ASSERT_GT(RunFull(), 0);
    EXPECT_EQ(rig.prompts.size(), 2u);
    EXPECT_EQ(server->Requests("code-post").size(), 2u);
    EXPECT_EQ(rig.worker->LastCode, "");
}

TEST_F(CodeTest, AcceptedWithAnEmptyAnswerGoesToAFreshClient) {
    state.faults = {{"reg_code.phtml", 1, 1, site::FaultKind::EmptyBody, 0, "", 0}};
    StartSite();
    UserTypes("4711");
    ASSERT_GT(RunFull(), 0);
    // The first code post answers nothing: the row is fetched again without the session, and the
    // code is not remembered, so the next code page asks again.
    EXPECT_EQ(rig.prompts.size(), 2u);
    EXPECT_EQ(Rows(0)[1], u8"Кира 1|k1|"_cp + H() + u8"/k1/|Омск|30|0|2|0|0||0"_cp);
    EXPECT_EQ(Rows(0)[2], u8"Кира 2|k2|"_cp + H() + u8"/k2/|Омск|30|0|3|0|0||0"_cp);
}

TEST_F(CodeTest, CodePageWithoutAPictureMakesNoDialog) {
    StartSite();
    server->Update([](site::SiteState& s) {
        s.rawPages["/k1/?oid=1001"] =
            site::RawPage("<a href=\"http://{host}/tips/reg_code.phtml?image=5\">new picture</a>");
    });
    UserTypes("4711");
    ASSERT_GT(RunFull(), 0);
    auto k1 = server->Requests("raw");
    ASSERT_EQ(k1.size(), 2u);
    EXPECT_EQ(k1[0].session, "S1");
    EXPECT_EQ(k1[1].session, "");
    EXPECT_EQ(rig.prompts.size(), 1u);  // only k2's page asks through the dialog
}

TEST(RegCodeSender, PageWithoutAResolvableFormSendsNothing) {
    TRegCodeSender sender;
    TSubmit submit;
    sender.Submit = &submit;
    sender.PageURL = "http://127.0.0.1:1/tips/index.phtml";
    sender.PageHTML = "<p>no form</p>";
    sender.Code = "1";
    EXPECT_FALSE(sender.SendCode());
    EXPECT_EQ(sender.PageURL, "");
    EXPECT_FALSE(submit.Connected());
}

}  // namespace
