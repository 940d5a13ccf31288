#pragma once
// Hint texts of the main window's controls and tools.

#include <QString>
#include <QStringList>

namespace Hints {
inline const QString Koef = QStringLiteral(" Изменяет коэффициенты при перемещении по изображению с нажатой клавишей мыши (K)");
inline const QString KoefScr = QStringLiteral(" Изменяет коэффициенты при перемещении по изображению с нажатой клавишей мыши");
inline const QString Lupa = QStringLiteral(" Нажатие левой клавиши мыши увеличивает изображение с центрированием, правой - уменьшает (L)");
inline const QString Zoom = QStringLiteral(" Нажатие левой клавиши мыши увеличивает изображение с центрированием, правой - уменьшает");
inline const QString Center = QStringLiteral(" При нажатии клавиши мыши центрирует изображение относительно выбранной точки (C)");
inline const QString ToCur = QStringLiteral(" Нажатие клавиши мыши центрирует изображение относительно выбранной точки");
inline const QString GeneralView = QStringLiteral(" Нажатие клавиши мыши центрирует изображение относительно выбранной точки");
inline const QString Hand = QStringLiteral(" Перемещает изображение при нажатой клавише мыши (H)");
inline const QString HandTool = QStringLiteral(" Перемещает изображение при нажатой клавише мыши");
inline const QString To_From = QStringLiteral(" Приближает - удаляет изображение при перемещении с нажатой клавишей мыши (A)");
inline const QString FromTo = QStringLiteral(" Приближает - удаляет изображение при перемещении с нажатой клавишей мыши");
inline const QString LupaPlus = QStringLiteral(" Увеличивает изображение на 30%  (+) ");
inline const QString LupaMinus = QStringLiteral(" Уменьшает изображение на 30%  (-) ");
inline const QString DefButton = QStringLiteral(" Устанавливает начальное положение и масштаб для отображения фрактала (Home)");
inline const QString TrackBarCx = QStringLiteral(" Изменяет Re(C)");
inline const QString TrackBarCy = QStringLiteral(" Измененяет Im(С)");
inline const QString PlusCx = QStringLiteral(" Увеличивает на один шаг = 0.001 текущее значение Re(C)");
inline const QString MinusCx = QStringLiteral(" Уменьшает на один шаг = 0.001 текушее значение Re(C)");
inline const QString PlusCy = QStringLiteral(" Увеличивает на один шаг = 0.001 текущее значение Im(С)");
inline const QString MinusCy = QStringLiteral(" Уменьшает на один шаг = 0.001 текушее значение Im(С)");
inline const QString DownCx = QStringLiteral(" Включает уменьшение Re(C): При повторном нажатии увеличивает скорость");
inline const QString UpCx = QStringLiteral(" Включает увеличение Re(С): При повторном нажатии увеличивает скорость");
inline const QString DownCy = QStringLiteral(" Включает уменьшение Im(С): При повторном нажатии увеличивает скорость");
inline const QString UpCy = QStringLiteral(" Включает увеличение Im(C): При повторном нажатии увеличивает скорость");
inline const QString StopCx = QStringLiteral(" Останавливает изменение коэффицента C");
inline const QString StopCy = QStringLiteral(" Останавливает изменение коэффициента C");
inline const QString TrackBarR0 = QStringLiteral(" Начальный уровень красного");
inline const QString TrackBarG0 = QStringLiteral(" Начальный уровень зеленого");
inline const QString TrackBarB0 = QStringLiteral(" Начальный уровень синего");
inline const QString TrackBarR1 = QStringLiteral(" Период красного");
inline const QString TrackBarG1 = QStringLiteral(" Период зеленого");
inline const QString TrackBarB1 = QStringLiteral(" Период синего");
inline const QString TypeOfPalette = QStringLiteral(" Выбор типа палитры по цветам RGB: L - линейная, S- синусоидальная");
inline const QString IsChPalette = QStringLiteral(" Включает - выключает пересчет палитры сразу после изменения параметров палитры");
inline const QString ChPalette = QStringLiteral(" Запускает пересчет и перестроение палитры по требованию (U)");
inline const QString FullScreenButton = QStringLiteral(" Рассчитывает и показывает полноэкранное изображение (F)");
inline const QString CloseButton = QStringLiteral(" Закрывает программу (Ctrl+Q)");
// Every one of them.
inline const QStringList All = {
    Koef, KoefScr, Lupa, Zoom, Center, ToCur, GeneralView, Hand, HandTool, To_From, FromTo, LupaPlus,
    LupaMinus, DefButton, TrackBarCx, TrackBarCy, PlusCx, MinusCx, PlusCy, MinusCy, DownCx, UpCx, DownCy,
    UpCy, StopCx, StopCy, TrackBarR0, TrackBarG0, TrackBarB0, TrackBarR1, TrackBarG1, TrackBarB1,
    TypeOfPalette, IsChPalette, ChPalette, FullScreenButton, CloseButton};
}  // namespace Hints
