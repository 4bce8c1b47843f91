#pragma once
// A numeric spin field with limits, as a person types into it: any digits and
// a leading sign can be typed; leaving the field (or pressing Return in it)
// puts a number outside the limits at the nearest limit (2050 becomes 2030 for
// 1920..2030, 0 becomes 1 for 1..31); a text that holds no integer (empty, a
// sign alone) stays as it is, and Value() refuses it with the conversion
// message. The arrows and the wheel step within the limits.

#include <QAbstractSpinBox>

namespace nevalorum {

class SpinField : public QAbstractSpinBox {
    Q_OBJECT
    // What assistive technology reads and sets (the toolkit's spin box
    // interface asks for these properties): the number shown, none for a
    // text without one; a number set is put within the limits, as a typed one.
    Q_PROPERTY(QVariant value READ ShownNumber WRITE SetShownNumber)
    Q_PROPERTY(int minimum READ Minimum)
    Q_PROPERTY(int maximum READ Maximum)
    Q_PROPERTY(int singleStep READ SingleStep)

  public:
    SpinField(QWidget* parent, int minimum, int maximum);

    int Minimum() const { return minimum_; }
    int Maximum() const { return maximum_; }
    // New limits; a number shown outside them moves to the nearest.
    void SetLimits(int minimum, int maximum);
    // Shows the number, or the nearest limit when it lies outside them.
    void SetValue(int value);
    // The text as a decimal integer; ConversionError "'<text>' is not a valid
    // integer value" when it holds none.
    int Value() const;
    // Replaces a number outside the limits with the nearest limit; leaves a
    // text that holds no integer as it is.
    void ApplyLimits();

    QVariant ShownNumber() const;
    void SetShownNumber(const QVariant& number);
    static int SingleStep() { return 1; }

    QValidator::State validate(QString& input, int& position) const override;
    void stepBy(int steps) override;

  protected:
    StepEnabled stepEnabled() const override;

  private:
    int minimum_;
    int maximum_;
};

}  // namespace nevalorum
