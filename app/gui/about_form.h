#pragma once
// The About box: the program's name and version, and OK.

#include <QDialog>

namespace nevalorum {

class TAbout_Form : public QDialog {
    Q_OBJECT

  public:
    explicit TAbout_Form(QWidget* parent);
};

}  // namespace nevalorum
