// What the panel shows of the current slot: the information lines, the
// states of the slot's buttons, and the camera set-up group.
#include "panel_fixture.h"

#include "foundation/language_variant.h"

namespace {

class PanelLinesTest : public PanelFixture {
protected:
    const QString kSentinel = QStringLiteral("BgColor #123456 -");
};

TEST_F(PanelLinesTest, InformationLinesFollowTheSlotAndItsRecordingMode)
{
    OpenPanel();
    gCurCam = 2;
    struct Case {
        bool assigned;
        int recordMode;
        bool recording;
        bool enable;
        bool ext;
        int modeAfter;
        bool reconnecting = false;  // the slot's pictures stopped coming
    };
    const Case cases[] = {
        {true, 0, false, true, false, 0},
        {true, 0, false, false, false, 0},
        {true, 1, true, true, false, 1},
        {true, 1, false, true, false, 0},
        {true, 2, false, false, false, 2},
        {true, 3, true, true, false, 3},
        {true, 7, false, true, false, 7},
        {true, 2, false, true, true,
         2},  // the extended view's fifth line is an item, not the status
        {true, 0, false, true, false, 0, true},
        {true, 2, false, true, false, 2, true},
        {true, 0, false, false, false, 0, true},  // a stopped slot is off line
        {false, 1, false, false, false, 1},
        {false, 0, false, false, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.assigned << " mode " << c.recordMode << " rec "
                                        << c.recording << " enable " << c.enable << " ext " << c.ext
                                        << " reconnecting " << c.reconnecting);
        gCam[2] = CamInfo{};
        if (c.assigned)
            AssignSlot(2);
        CamInfo& cam = gCam[2];
        cam.RecordMode = c.recordMode;
        cam.Recording = c.recording;
        cam.Enable = c.enable;
        cam.Reconnecting = c.reconnecting;
        cam.ServerModel = QStringLiteral("PT-7");
        cam.FWVersion = QStringLiteral("4.01");
        gExtInfo[1] = c.ext;

        panel->RefreshPanelText();

        EXPECT_EQ(Line(0), QStringLiteral("2"));
        EXPECT_EQ(cam.RecordMode, c.modeAfter);
        QStringList expected;
        if (!c.assigned) {
            expected = {gLblEmpty, "", "", "", ""};
        } else if (c.ext) {
            for (int k = 1; k <= 5; ++k)
                expected << frmController::GetCamInfoText(2, gExtraItem[static_cast<size_t>(k)]);
        } else {
            QString status = !c.enable        ? gLangOffLine
                             : c.reconnecting ? gLangReconnecting
                                              : gLangOnLine;
            const bool prefixed =
                (c.recordMode == 1 && c.recording) || c.recordMode == 2 || c.recordMode == 3;
            if (prefixed)
                status =
                    gLangRec[static_cast<size_t>(c.recordMode)] + QStringLiteral("  ") + status;
            expected = {QStringLiteral("Camera 2"), QStringLiteral("127.0.0.3 : 8481"),
                        QStringLiteral("Room 2"), QString(), status};
        }
        EXPECT_EQ((QStringList{Line(1), Line(2), Line(3), Line(4), Line(5)}), expected);
    }
}

TEST_F(PanelLinesTest, ButtonStatesByScanSlotPackAndLanguage)
{
    InstallAllCommands();
    OpenPanel();
    enum class Situation { Scan, Empty, Assigned };
    const int seven[] = {9, 10, 11, 12, 6, 7, 8};
    const int nine[] = {9, 10, 11, 12, 6, 7, 8, 33, 14};
    for (const char* tag : {"english", "TarselS", "DADODEZE"}) {
        for (const bool gray : {true, false}) {
            for (const Situation s : {Situation::Scan, Situation::Empty, Situation::Assigned}) {
                SCOPED_TRACE(testing::Message()
                             << tag << " gray " << gray << " situation " << int(s));
                gLanguage = QString::fromLatin1(tag);
                const LangVariant v = CurrentVariant();
                for (const int row : nine)
                    gPanelBtn[static_cast<size_t>(row)].EnableGray = gray;
                gCam[1] = CamInfo{};
                if (s != Situation::Empty)
                    AssignSlot(1);
                gScanMode = s == Situation::Scan;
                gCurCam = 1;
                for (const int row : nine) {
                    Row(row).setAlpha(0);
                    Row(row).setStatePicture(kSentinel);
                    Row(row).setToolTip(QStringLiteral("old"));
                }

                panel->RefreshPanelText();

                if (s != Situation::Assigned) {
                    for (const int row : seven) {
                        if (gray) {
                            EXPECT_EQ(CellOf(row), 5) << row;
                        } else {
                            EXPECT_FALSE(Row(row).isShown()) << row;
                        }
                    }
                    for (const int row : nine) {
                        EXPECT_EQ(Row(row).toolTip(), QString()) << row;
                    }
                    const bool camConfOff = !(s == Situation::Scan && v == LangVariant::TarselS);
                    if (!camConfOff) {
                        EXPECT_EQ(Row(33).picture(), kSentinel);
                    } else if (gray) {
                        EXPECT_EQ(CellOf(33), 5);
                    } else {
                        EXPECT_FALSE(Row(33).isShown());
                    }
                    const bool motionGray =
                        (v == LangVariant::TarselS && gray)
                        || (v == LangVariant::DADODEZE && s == Situation::Empty);
                    if (motionGray) {
                        EXPECT_EQ(CellOf(14), 5);
                    } else {
                        EXPECT_EQ(Row(14).picture(), kSentinel);
                    }
                } else {
                    for (const int row : nine) {
                        EXPECT_TRUE(Row(row).isShown()) << row;
                        EXPECT_EQ(Row(row).toolTip(), Cell(row, 7)) << row;
                    }
                    for (const int row : {9, 11}) {
                        EXPECT_EQ(CellOf(row), gray ? 1 : 8) << row;
                    }
                    for (const int row : {10, 12, 6, 7, 8, 33}) {
                        EXPECT_EQ(CellOf(row), 1) << row;
                    }
                    if (gray || v == LangVariant::DADODEZE) {
                        EXPECT_EQ(CellOf(14), 1);
                    } else {
                        EXPECT_EQ(Row(14).picture(), kSentinel);
                    }
                }
                gScanMode = false;
            }
        }
    }
}

TEST_F(PanelLinesTest, HiddenButtonsComeBackWithTheirPicturesWhenACameraArrives)
{
    InstallAllCommands();
    OpenPanel();
    for (const int row : {6, 7, 8, 9, 10, 11, 12, 33})
        gPanelBtn[static_cast<size_t>(row)].EnableGray = false;
    gCurCam = 3;
    panel->RefreshPanelText();
    for (const int row : {6, 7, 8, 33}) {
        ASSERT_FALSE(Row(row).isShown()) << row;
    }
    AssignSlot(3);
    panel->RefreshPanelText();
    for (const int row : {6, 7, 8, 9, 10, 11, 12, 33}) {
        EXPECT_TRUE(Row(row).isShown()) << row;
        EXPECT_NE(CellOf(row), -1) << row;
    }
}

TEST_F(PanelLinesTest, ConnectExtInfoRecordingAndSetUpButtonLooks)
{
    InstallAllCommands();
    AssignSlot(1);
    OpenPanel();
    struct Case {
        bool enable, connectHover, ext, recording;
        int recordType;
        bool cfgOpen, camConfHover;
        int connect, extInfo, motionRec, scheduleRec, manualRec, camConf;  // -1: unchanged
    };
    const Case cases[] = {
        {true, false, false, false, 1, false, false, 2, 1, 1, 1, 1, 1},
        {false, true, true, false, 1, false, false, 4, 2, 1, 1, 1, 1},
        {false, false, false, true, 1, true, false, 1, 1, 1, 1, 2, 2},
        {false, false, false, true, 2, false, true, 1, 1, 1, 2, 1, 4},
        {false, false, false, true, 3, true, true, 1, 1, 2, 1, 1, 2},
        {false, false, false, true, 9, false, false, 1, 1, -1, -1, -1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "enable " << c.enable << " type " << c.recordType);
        CamInfo& cam = gCam[1];
        cam.Enable = c.enable;
        cam.Recording = c.recording;
        cam.RecordType = c.recordType;
        gExtInfo[0] = c.ext;
        gCamCfgOpen = c.cfgOpen;
        // The hover flags come from the pointer.
        c.connectHover ? In(QStringLiteral("Connect")) : Out(QStringLiteral("Connect"));
        c.camConfHover ? In(QStringLiteral("CamConf")) : Out(QStringLiteral("CamConf"));
        for (const int row : {6, 7, 8})
            Row(row).setStatePicture(kSentinel);

        panel->RefreshPanelText();

        EXPECT_EQ(CellOf(10), c.connect);
        EXPECT_EQ(CellOf(12), c.extInfo);
        EXPECT_EQ(CellOf(6), c.motionRec);
        EXPECT_EQ(CellOf(7), c.scheduleRec);
        EXPECT_EQ(CellOf(8), c.manualRec);
        EXPECT_EQ(CellOf(33), c.camConf);
    }
}

TEST_F(PanelLinesTest, SetUpGroupByLanguageSlotAndProtocol)
{
    InstallAllCommands();
    OpenPanel();
    const QStringList texts = {"WebText", "MotionText", "UpdateText"};
    enum class State { Empty, Closed, Open };
    for (const char* tag : {"english", "DIZUREZOV", "DADODEZE", "TarselS"}) {
        for (const State state : {State::Empty, State::Closed, State::Open}) {
            for (const bool gray : {true, false}) {
                for (const int protocol : {0, 3}) {
                    SCOPED_TRACE(testing::Message() << tag << " state " << int(state) << " gray "
                                                    << gray << " protocol " << protocol);
                    gLanguage = QString::fromLatin1(tag);
                    const LangVariant v = CurrentVariant();
                    gCam[2] = CamInfo{};
                    if (state != State::Empty)
                        AssignSlot(2, protocol);
                    gCurCam = 2;
                    gCamCfgOpen = state == State::Open;
                    for (const int row : {13, 14, 15}) {
                        gPanelBtn[static_cast<size_t>(row)].EnableGray = gray;
                        Row(row).setAlpha(0);
                        Row(row).setStatePicture(kSentinel);
                        Row(row).setToolTip(QStringLiteral("old"));
                        Row(row).setStyleFlags(7);
                    }
                    for (const QString& t : texts)
                        panel->ShowSkinElement(
                            t, state != State::Open);  // the opposite of what follows

                    panel->RefrushCamCfgBtn();

                    if (v == LangVariant::TarselS) {
                        for (const int row : {13, 14, 15}) {
                            EXPECT_EQ(Row(row).picture(), kSentinel);
                            EXPECT_EQ(Row(row).toolTip(), QStringLiteral("old"));
                            EXPECT_EQ(Row(row).styleFlags(), 7);
                        }
                        continue;
                    }
                    const bool motionAlone = v == LangVariant::DADODEZE;
                    if (motionAlone) {
                        EXPECT_EQ(Row(14).styleFlags(), 18);
                        EXPECT_EQ(Row(14).toolTip(), Cell(14, 7));
                        EXPECT_EQ(Row(14).picture(), kSentinel);
                    }
                    std::vector<int> group{13, 15};
                    if (!motionAlone)
                        group.push_back(14);
                    if (state != State::Open) {
                        for (const int row : group) {
                            if (gray) {
                                EXPECT_EQ(CellOf(row), 5) << row;
                            } else {
                                EXPECT_FALSE(Row(row).isShown()) << row;
                            }
                            EXPECT_EQ(Row(row).styleFlags(), 2) << row;
                            EXPECT_EQ(Row(row).toolTip(), QString()) << row;
                        }
                        for (const QString& t : texts) {
                            EXPECT_EQ(El(t).isShown(), gray) << t.toStdString();
                            const bool inGroup = !(motionAlone && t == QLatin1String("MotionText"));
                            if (gray && inGroup) {  // the caption of a greyed button fades
                                EXPECT_GT(El(t).alpha(), 0) << t.toStdString();
                            }
                        }
                    } else {
                        const bool update = protocol != 3;
                        for (const int row : group) {
                            if (row == 15 && !update) {
                                EXPECT_EQ(Row(row).picture(), kSentinel);
                                EXPECT_EQ(Row(row).toolTip(), QString());
                            } else {
                                EXPECT_EQ(CellOf(row), gray ? 1 : 8) << row;
                                EXPECT_TRUE(Row(row).isShown()) << row;
                                EXPECT_EQ(Row(row).toolTip(), Cell(row, 7)) << row;
                            }
                            EXPECT_EQ(Row(row).styleFlags(), 18) << row;
                        }
                        for (const QString& t : texts) {
                            EXPECT_EQ(El(t).isShown(), !gray) << t.toStdString();
                        }
                        if (!gray) {
                            EXPECT_EQ(El(QStringLiteral("WebText")).alpha(), 0);
                        }
                    }
                }
            }
        }
    }
}

TEST_F(PanelLinesTest, SetUpButtonOpensAndClosesTheGroup)
{
    InstallAllCommands();
    AssignSlot(1);
    OpenPanel();
    Click(QStringLiteral("CamConf"));
    EXPECT_TRUE(gCamCfgOpen);
    EXPECT_EQ(CellOf(33), 2);
    EXPECT_EQ(CellOf(13), 1);
    EXPECT_EQ(Row(13).styleFlags(), 18);
    Click(QStringLiteral("CamConf"));
    EXPECT_FALSE(gCamCfgOpen);
    EXPECT_EQ(CellOf(33), 4);  // the pointer is still on it
    EXPECT_EQ(CellOf(13), 5);
    EXPECT_EQ(Row(13).styleFlags(), 2);
}

}  // namespace
