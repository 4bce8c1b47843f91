#include "app/gui/about_form.h"

#include <QLabel>
#include <QPushButton>

namespace nevalorum {

TAbout_Form::TAbout_Form(QWidget* parent) : QDialog(parent) {
    setObjectName("About_Form");
    setWindowTitle(" О программе");
    setAccessibleName("О программе");
    // A fixed border with the close box only: nothing to maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(384, 262);

    auto* name = new QLabel("Nevalorum Pelinor", this);
    name->setObjectName("NameLabel");
    QFont nameFont("Arial");
    nameFont.setPixelSize(19);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);
    name->setGeometry(0, 70, 384, 30);

    auto* version = new QLabel("Версия 3.50", this);
    version->setObjectName("VersionLabel");
    QFont versionFont("Arial");
    versionFont.setPixelSize(16);
    version->setFont(versionFont);
    version->setAlignment(Qt::AlignCenter);
    version->setGeometry(0, 110, 384, 24);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    ok->setGeometry(152, 200, 80, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace nevalorum
