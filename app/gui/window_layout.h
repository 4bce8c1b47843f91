#pragma once
// The main window's geometry in pixels of its client area (below the menu bar):
// where each control stands and where the field labels are drawn on the
// background picture. The window places its controls from here, and the
// generator of the background picture (tools/background) keeps its stars and
// lines clear of the same places, so a control moved here moves in both.

#include <QtCore/QRect>

namespace nevalorum::layout {

inline constexpr int WindowWidth = 800;
inline constexpr int WindowHeight = 600;

inline constexpr QRect Image1{0, 0, WindowWidth, WindowHeight};  // the background picture
inline constexpr QRect Image2{17, 246, 509, 167};  // drawing surface of the month chart, hidden

inline constexpr QRect Edit1{16, 33, 244, 25};      // name
inline constexpr QRect SpinEdit1{284, 34, 52, 28};  // birth day
inline constexpr QRect SpinEdit2{345, 34, 51, 28};  // birth month
inline constexpr QRect SpinEdit3{406, 34, 67, 28};  // birth year

inline constexpr QRect Button14{553, 36, 100, 25};  // "Выход"
inline constexpr QRect BitBtn1{445, 120, 208, 25};  // "Зачем это мне?"
// Shown while the archive is written, in the gap between the wheel and the
// program's name on the picture.
inline constexpr QRect ArchiveProgress{530, 415, 250, 22};

struct TopicButton {
    const char* Name;
    const char* Caption;  // UTF-8
    int Topic;
    QRect Place;
};
inline constexpr TopicButton TopicButtons[] = {
    {"Button13", "Финансы", 1, {16, 81, 100, 25}}, {"Button15", "Бизнес", 2, {123, 81, 100, 25}},
    {"Button16", "Любовь", 3, {230, 81, 100, 25}}, {"Button17", "Секс", 4, {338, 81, 100, 25}},
    {"Button19", "Отпуск", 6, {445, 81, 100, 25}}, {"Button20", "Здоровье", 7, {553, 81, 100, 25}},
};

// Month button k (1 to 6): two rows of three, 210 and 160 pixels above the
// window's bottom edge; the third of each row is a pixel wider.
constexpr QRect MonthButton(int k) {
    const int column = (k - 1) % 3;
    const int row = (k - 1) / 3;
    return {20 + 170 * column, WindowHeight - (row == 0 ? 210 : 160), column == 2 ? 122 : 121, 26};
}

// The field labels, drawn onto the picture white on black in Arial 11 points:
// each starts at its field's left edge, 25 pixels above the name field's top.
struct FieldLabel {
    const char* Text;  // UTF-8
    int Left;
};
inline constexpr FieldLabel FieldLabels[] = {{"Имя", Edit1.left()},
                                             {"День", SpinEdit1.left()},
                                             {"Месяц", SpinEdit2.left()},
                                             {"Год рождения", SpinEdit3.left()}};
inline constexpr int FieldLabelTop = Edit1.top() - 25;
inline constexpr const char* FieldLabelFont = "Arial";
inline constexpr int FieldLabelPointSize = 11;

}  // namespace nevalorum::layout
