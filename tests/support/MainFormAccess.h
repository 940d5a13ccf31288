#pragma once
// The main window as the tests drive it: the controls, actions, animation and
// handlers the window keeps to itself, opened here by using-declarations, so
// that no test needs the window to make them public.

#include "app/U_mainform.h"

class TMainFormForTests : public TMainForm {
public:
    using TMainForm::TMainForm;
    using TMainForm::ClientWidth; using TMainForm::Pic; using TMainForm::StatusPanel0;
    using TMainForm::StatusPanel1; using TMainForm::DefButton; using TMainForm::Hand; using TMainForm::Center;
    using TMainForm::Lupa; using TMainForm::LupaPlus; using TMainForm::LupaMinus; using TMainForm::Koef;
    using TMainForm::To_From; using TMainForm::FullScreenButton; using TMainForm::GeneralView;
    using TMainForm::Label1; using TMainForm::E_cx; using TMainForm::E_cy; using TMainForm::TrackBarCx;
    using TMainForm::TrackBarCy; using TMainForm::PlusCx; using TMainForm::MinusCx; using TMainForm::PlusCy;
    using TMainForm::MinusCy; using TMainForm::DownCx; using TMainForm::StopCx; using TMainForm::UpCx;
    using TMainForm::DownCy; using TMainForm::StopCy; using TMainForm::UpCy; using TMainForm::CloseButton;
    using TMainForm::TrackBarR0; using TMainForm::TrackBarG0; using TMainForm::TrackBarB0;
    using TMainForm::TrackBarR1; using TMainForm::TrackBarG1; using TMainForm::TrackBarB1;
    using TMainForm::TypeOfPalette; using TMainForm::IsChPalette; using TMainForm::ChPalette;
    using TMainForm::OpenFract; using TMainForm::SaveCrntFrct; using TMainForm::SaveFractal;
    using TMainForm::OpenPalette; using TMainForm::SavePalette; using TMainForm::SaveImage;
    using TMainForm::CloseApp; using TMainForm::FractalN1; using TMainForm::FullScr; using TMainForm::SlideShow;
    using TMainForm::Options; using TMainForm::KoefScr; using TMainForm::Zoom; using TMainForm::ToCur;
    using TMainForm::HandTool; using TMainForm::FromTo; using TMainForm::DefaultPar; using TMainForm::About;
    using TMainForm::Descript; using TMainForm::A_Program; using TMainForm::MenuFile; using TMainForm::MenuHelp;
    using TMainForm::RenderThread; using TMainForm::FullScreenForm; using TMainForm::ZoomInFactor;
    using TMainForm::ZoomOutFactor; using TMainForm::ToFromScaleY; using TMainForm::ToFromScaleX;
    using TMainForm::DragAnchor; using TMainForm::KoefAnchor; using TMainForm::KoefStartPosition;
    using TMainForm::Animation; using TMainForm::AnimationTimer; using TMainForm::PlusCxClick;
    using TMainForm::MinusCxClick; using TMainForm::MinusCyClick; using TMainForm::UpCxClick;
    using TMainForm::DownCxClick; using TMainForm::UpCyClick; using TMainForm::DownCyClick;
    using TMainForm::StopCxClick; using TMainForm::StopCyClick; using TMainForm::AnimationStep;
    using TMainForm::PicMouseDown; using TMainForm::PicMouseMove; using TMainForm::GeneralViewMouseDown;
    using TMainForm::GeneralViewMouseMove; using TMainForm::LupaPlusClick; using TMainForm::LupaMinusClick;
    using TMainForm::DefaultParExecute; using TMainForm::SetTool; using TMainForm::ChPaletteClick;
    using TMainForm::OpenFractExecute; using TMainForm::SaveFractalExecute; using TMainForm::OpenPaletteExecute;
    using TMainForm::SavePaletteExecute; using TMainForm::SaveImageExecute; using TMainForm::FullScrExecute;
    using TMainForm::SlideShowExecute; using TMainForm::FractalN1Execute; using TMainForm::FormKeyDown;
    using TMainForm::ReadOut;
};
