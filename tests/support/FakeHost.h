#pragma once
// A host without a main window: a plain widget to place against and counts of
// what the window under test asked of it. For dialogs tested on their own.

#include "app/MainHost.h"

#include <QWidget>

#include <map>
#include <string>

class TFakeHost : public TMainHost {
public:
    TFakeHost() { Main.setGeometry(200, 150, 690, 580); }

    std::map<std::string, int> Calls;

    void WakeRender() override { ++Calls["WakeRender"]; }
    void CommitView(bool) override { ++Calls["CommitView"]; }
    void ShowCoefficients() override { ++Calls["ShowCoefficients"]; }
    void ShowPalette() override { ++Calls["ShowPalette"]; }
    void ApplyPalette() override { ++Calls["ApplyPalette"]; }
    void StopAnimation() override { ++Calls["StopAnimation"]; }
    void SettleRender() override { ++Calls["SettleRender"]; }
    void FullScreenClosed() override { ++Calls["FullScreenClosed"]; }
    void RefreshFullScreen() override { ++Calls["RefreshFullScreen"]; }
    void UpdateActions() override { ++Calls["UpdateActions"]; }
    QWidget& Window() override { return Main; }
    QRect PictureFrame() const override { return {5, 30, PicWidth, PicHeight}; }

    QWidget Main;
};
