#pragma once
// Answers the modal dialogs and the popup menus a window opens while a test
// goes on: records what each showed (its texts and its place) and closes it,
// as a person would after reading it.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <vector>

namespace nevalorum::testing {

struct SeenWindow {
    QString ClassName;
    QString Text;             // a message box's text
    QStringList Texts;        // every visible text: labels, buttons, group titles, combo items
    QRect Frame;              // on the screen
    QWidget* Over = nullptr;  // the window it belongs to
};

class ModalCloser {
  public:
    // Windows open already (a viewer) are left alone.
    ModalCloser() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible()) {
                openBefore_.append(window);
            }
        }
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start();
    }

    const std::vector<SeenWindow>& Seen() const { return seen_; }

  private:
    void Look() {
        QWidget* window = QApplication::activePopupWidget();
        if (window == nullptr) {
            window = QApplication::activeModalWidget();
        }
        if (window == nullptr || !window->isVisible() || openBefore_.contains(window)) {
            return;
        }
        SeenWindow seen;
        seen.ClassName = window->metaObject()->className();
        seen.Frame = window->frameGeometry();
        seen.Over = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            seen.Text = box->text();
        }
        if (auto* menu = qobject_cast<QMenu*>(window)) {
            for (const QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    seen.Texts.append(action->text());
                }
            }
        }
        for (const QWidget* child : window->findChildren<QWidget*>()) {
            if (!child->isVisibleTo(window)) {
                continue;
            }
            if (auto* label = qobject_cast<const QLabel*>(child)) {
                seen.Texts.append(label->text());
            } else if (auto* button = qobject_cast<const QAbstractButton*>(child)) {
                seen.Texts.append(button->text());
            } else if (auto* group = qobject_cast<const QGroupBox*>(child)) {
                seen.Texts.append(group->title());
            } else if (auto* combo = qobject_cast<const QComboBox*>(child)) {
                for (int i = 0; i < combo->count(); ++i) {
                    seen.Texts.append(combo->itemText(i));
                }
            }
        }
        seen.Texts.removeAll(QString());
        for (QString& text : seen.Texts) {
            text.remove('&');  // the marks of the keys
        }
        seen_.push_back(seen);
        if (auto* dialog = qobject_cast<QDialog*>(window)) {
            dialog->reject();
        } else {
            window->close();
        }
    }

    QList<QWidget*> openBefore_;
    QTimer timer_;
    std::vector<SeenWindow> seen_;
};

}  // namespace nevalorum::testing
