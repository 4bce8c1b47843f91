#include "app/gui/spin_field.h"

#include <QAccessible>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <optional>

#include "common/conversion.h"

namespace nevalorum {
namespace {

// Whether the text is an optional sign followed by digits only (possibly none).
bool SignAndDigits(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!(c.isDigit() && c.unicode() < 128) && !(i == 0 && (c == '+' || c == '-'))) {
            return false;
        }
    }
    return true;
}

// The number a text of sign and digits holds, saturated far beyond any limit so
// that a long row of digits still lies on the right side; none when it holds
// no digit.
std::optional<long long> Number(const QString& text) {
    if (!SignAndDigits(text)) {
        return std::nullopt;
    }
    const bool negative = text.startsWith('-');
    long long magnitude = 0;
    bool anyDigit = false;
    for (const QChar c : text) {
        if (c.isDigit()) {
            anyDigit = true;
            magnitude = std::min(magnitude * 10 + c.digitValue(), 10'000'000'000LL);
        }
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    return negative ? -magnitude : magnitude;
}

}  // namespace

SpinField::SpinField(QWidget* parent, int minimum, int maximum)
    : QAbstractSpinBox(parent), minimum_(minimum), maximum_(maximum) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    lineEdit()->setText(QString::number(minimum));
    // Leaving the field and Return both end the editing.
    connect(this, &QAbstractSpinBox::editingFinished, this, &SpinField::ApplyLimits);
    // A screen reader hears the new number, however it came.
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        QAccessibleValueChangeEvent event(this, ShownNumber());
        QAccessible::updateAccessibility(&event);
    });
}

void SpinField::SetLimits(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    ApplyLimits();
}

void SpinField::SetValue(int value) {
    lineEdit()->setText(QString::number(std::clamp(value, minimum_, maximum_)));
}

int SpinField::Value() const {
    return ParseInteger(text().toStdString());
}

void SpinField::ApplyLimits() {
    const std::optional<long long> number = Number(text());
    if (number && (*number < minimum_ || *number > maximum_)) {
        lineEdit()->setText(QString::number(std::clamp<long long>(*number, minimum_, maximum_)));
    }
}

QVariant SpinField::ShownNumber() const {
    const std::optional<long long> number = Number(text());
    return number ? QVariant(*number) : QVariant();
}

void SpinField::SetShownNumber(const QVariant& number) {
    bool isNumber = false;
    const double value = number.toDouble(&isNumber);
    if (isNumber && std::isfinite(value)) {
        SetValue(static_cast<int>(std::clamp<double>(std::round(value), minimum_, maximum_)));
    }
}

QValidator::State SpinField::validate(QString& input, int&) const {
    if (!SignAndDigits(input)) {
        return QValidator::Invalid;
    }
    const std::optional<long long> number = Number(input);
    return number && *number >= minimum_ && *number <= maximum_ ? QValidator::Acceptable
                                                                : QValidator::Intermediate;
}

void SpinField::stepBy(int steps) {
    const std::optional<long long> number = Number(text());
    const long long from = number ? std::clamp<long long>(*number, minimum_, maximum_) : minimum_;
    SetValue(static_cast<int>(std::clamp<long long>(from + steps, minimum_, maximum_)));
    selectAll();
}

QAbstractSpinBox::StepEnabled SpinField::stepEnabled() const {
    const std::optional<long long> number = Number(text());
    if (!number) {
        return StepUpEnabled | StepDownEnabled;
    }
    StepEnabled enabled = StepNone;
    if (*number > minimum_) {
        enabled |= StepDownEnabled;
    }
    if (*number < maximum_) {
        enabled |= StepUpEnabled;
    }
    return enabled;
}

}  // namespace nevalorum
