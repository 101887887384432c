// SPDX-License-Identifier: LGPL-2.1-or-later
#include "settings_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include <glib.h>

#include <algorithm>
#include <memory>

namespace vidcore {

namespace {

    // One widget per control; each knows how to show a value, and reports the
    // user's changes to the control's apply function.
    struct ControlWidget {
        SourceControl control;
        std::function<void(int)> show;
    };

    QWidget* MakeEditor(ControlWidget& entry, QWidget* parent)
    {
        SourceControl& control = entry.control;
        auto apply = control.apply;
        switch (control.kind) {
        case SourceControl::Kind::CheckBox: {
            auto* box = new QCheckBox(parent);
            box->setChecked(control.value != 0);
            QObject::connect(box, &QCheckBox::toggled, box, [apply](bool on) { apply(on ? 1 : 0); });
            entry.show = [box](int value) { box->setChecked(value != 0); };
            return box;
        }
        case SourceControl::Kind::Choice: {
            auto* combo = new QComboBox(parent);
            for (const auto& [value, label] : control.choices)
                combo->addItem(QString::fromStdString(label), value);
            combo->setCurrentIndex(combo->findData(control.value));
            QObject::connect(combo, &QComboBox::activated, combo,
                [combo, apply](int index) { apply(combo->itemData(index).toInt()); });
            entry.show = [combo](int value) { combo->setCurrentIndex(combo->findData(value)); };
            return combo;
        }
        case SourceControl::Kind::Slider:
            break;
        }
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setRange(control.minimum, control.maximum);
        slider->setSingleStep(control.step);
        slider->setPageStep(std::max(control.step, (control.maximum - control.minimum) / 10));
        slider->setValue(control.value);
        slider->setAccessibleName(QString::fromStdString(control.name));
        QObject::connect(slider, &QSlider::valueChanged, slider, [apply](int value) { apply(value); });
        entry.show = [slider](int value) { slider->setValue(value); };
        return slider;
    }

    // The title names the camera and is all that tells one dialog from
    // another, so the window is wide enough for its title bar to show it whole:
    // the title in bold at a fifth above the dialog's font (the size window
    // managers tend to use), beside the window icon and three title buttons.
    int TitleWidth(const QWidget* dialog, const QString& title)
    {
        QFont font = dialog->font();
        font.setBold(true);
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * 1.2);
        else
            font.setPixelSize(font.pixelSize() * 6 / 5);
        const int titleBar = dialog->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, dialog);
        return QFontMetrics(font).horizontalAdvance(title) + 4 * std::max(titleBar, 24);
    }

    QDialog* BuildDialog(QWidget* parent, const std::string& title, std::vector<SourceControl> controls)
    {
        auto* dialog = new QDialog(parent);
        dialog->setObjectName(kSettingsDialogName);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(QString::fromStdString(title));
        auto* layout = new QVBoxLayout(dialog);
        auto* form = new QFormLayout;
        layout->addLayout(form);
        auto entries = std::make_shared<std::vector<ControlWidget>>();
        for (auto& control : controls)
            entries->push_back({ std::move(control), {} });
        for (auto& entry : *entries) {
            const std::string& name = entry.control.name;
            const QString label = entry.control.ownName ? QCoreApplication::translate("vidcore", name.c_str())
                                                        : QString::fromStdString(name);
            // The device names its controls: shown as typed, never as rich text.
            auto* shown = new QLabel(label, dialog);
            shown->setTextFormat(Qt::PlainText);
            form->addRow(shown, MakeEditor(entry, dialog));
        }
        if (entries->empty()) {
            auto* none = new QLabel(
                QCoreApplication::translate("vidcore", "This device has no adjustable settings."), dialog);
            none->setTextFormat(Qt::PlainText);
            form->addRow(none);
        }

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        QPushButton* defaults = buttons->addButton(
            QCoreApplication::translate("vidcore", "Defaults"), QDialogButtonBox::ResetRole);
        defaults->setObjectName("defaults");
        // Return closes the dialog with the values as they are; only a
        // deliberate press of its own resets them all.
        defaults->setAutoDefault(false);
        buttons->button(QDialogButtonBox::Close)->setDefault(true);
        QObject::connect(defaults, &QPushButton::clicked, dialog, [entries] {
            for (auto& entry : *entries) {
                entry.control.apply(entry.control.defaultValue);
                entry.show(entry.control.defaultValue);
            }
        });
        QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
        layout->addWidget(buttons);
        dialog->setMinimumWidth(TitleWidth(dialog, QString::fromStdString(title)));
        return dialog;
    }

} // namespace

void ShowSettingsDialog(uintptr_t owner, const std::string& title, std::vector<SourceControl> controls)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // The host's mistake, not the camera's: said on standard error, as GLib does.
        g_log("vidcore", G_LOG_LEVEL_WARNING, "the video source settings need a Qt application");
        return;
    }
    static QPointer<QDialog> open;
    if (open) {
        open->raise();
        open->activateWindow();
        return;
    }
    QWidget* parent = owner ? QWidget::find(static_cast<WId>(owner)) : nullptr;
    open = BuildDialog(parent, title, std::move(controls));
    open->show();
    // The new window takes the keys at once.
    open->raise();
    open->activateWindow();
}

} // namespace vidcore
