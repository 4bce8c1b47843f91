#include "app/gui/spin_field.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "common/errors.h"

namespace nevalorum {
namespace {

// What may be typed: a sign and digits, in or out of the limits.
TEST(SpinField, TakesSignAndDigitsOnly) {
    SpinField field(nullptr, 1920, 2030);
    struct Case {
        QString text;
        QValidator::State expected;
    };
    const Case cases[] = {
        {"1990", QValidator::Acceptable},   {"2030", QValidator::Acceptable},
        {"2031", QValidator::Intermediate}, {"2050", QValidator::Intermediate},
        {"19", QValidator::Intermediate},   {"", QValidator::Intermediate},
        {"-", QValidator::Intermediate},    {"+1990", QValidator::Acceptable},
        {"19a0", QValidator::Invalid},      {"1 990", QValidator::Invalid},
        {"19.5", QValidator::Invalid},      {"1-9", QValidator::Invalid},
        {"١٩٩٠", QValidator::Invalid},  // digits of another script
    };
    for (const Case& c : cases) {
        QString text = c.text;
        int position = 0;
        EXPECT_EQ(field.validate(text, position), c.expected) << c.text.toStdString();
    }
}

// The arrows step from the number shown, within the limits; from a text
// without a number they start at the lower limit.
TEST(SpinField, StepsWithinTheLimits) {
    struct Case {
        QString text;
        int steps;
        QString expected;
    };
    const Case cases[] = {
        {"15", 1, "16"}, {"31", 1, "31"}, {"1", -1, "1"},   {"45", -1, "30"},
        {"", 1, "2"},    {"-", -1, "1"},  {"10", 10, "20"}, {"25", 10, "31"},
    };
    for (const Case& c : cases) {
        SpinField field(nullptr, 1, 31);
        field.findChild<QLineEdit*>()->setText(c.text);
        field.stepBy(c.steps);
        EXPECT_EQ(field.text(), c.expected) << c.text.toStdString() << " " << c.steps;
    }
    SpinField field(nullptr, 1, 12);
    field.SetValue(12);
    EXPECT_EQ(field.text(), "12");
    field.SetValue(40);
    EXPECT_EQ(field.text(), "12");
    field.SetValue(-4);
    EXPECT_EQ(field.text(), "1");
}

// New limits move the number shown; a text without a number stays and is refused.
TEST(SpinField, LimitsAndValue) {
    SpinField field(nullptr, -2000, 3000);
    field.SetValue(2050);
    field.SetLimits(1920, 2030);
    EXPECT_EQ(field.Value(), 2030);
    field.SetValue(1850);
    EXPECT_EQ(field.Value(), 1920);
    for (const QString text : {"", "-", "+"}) {
        field.findChild<QLineEdit*>()->setText(text);
        field.ApplyLimits();
        EXPECT_EQ(field.text(), text);
        try {
            field.Value();
            ADD_FAILURE() << text.toStdString();
        } catch (const ConversionError& error) {
            EXPECT_EQ(error.what(), "'" + text.toStdString() + "' is not a valid integer value");
        }
    }
}

}  // namespace
}  // namespace nevalorum
