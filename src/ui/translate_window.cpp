#include "ui/translate_window.h"

#include "app/translation.h"

#include <QAbstractButton>
#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFont>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTabBar>
#include <QTableWidget>
#include <QTextDocument>
#include <QToolBox>
#include <QTreeWidget>

#include <optional>

namespace lyrimo {
namespace {

// What the sweep found and showed is kept in item data under this role, and on widgets
// and actions in dynamic properties named with this prefix.
constexpr int kSweepMemoryRole = Qt::UserRole + 0x4C59;
constexpr char kPropertyPrefix[] = "_lyrimo_sweep_";

// Captions may carry an accelerator ("&Open"); other texts show "&" as it stands.
enum class tTextKind { Plain, Caption };

QByteArray PropertyName(const char* slot) { return QByteArray(kPropertyPrefix) + slot; }

bool IsRichText(const QString& text, Qt::TextFormat format = Qt::AutoText) {
    return format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
}

// Qt's standard dialogs translate their own insides; only the title the program gave
// them is ours.
bool IsStandardDialog(const QWidget* widget) {
    return qobject_cast<const QFileDialog*>(widget) || qobject_cast<const QColorDialog*>(widget) ||
           qobject_cast<const QFontDialog*>(widget);
}

class tSweep {
public:
    explicit tSweep(tTranslator& translator) : translator_(translator) {}

    void Window(QWidget* window) {
        for (QMenuBar* menuBar : window->findChildren<QMenuBar*>())
            Widget(menuBar);
        Widget(window);
    }

private:
    // One text held somewhere: get and set read and write it, recall and remember its
    // sweep memory.
    template <class Get, class Set, class Recall, class Remember>
    void Text(tTextKind kind, Get get, Set set, Recall recall, Remember remember) {
        QString current = get();
        if (current.isEmpty())
            return;
        QStringList memory = recall().toStringList();
        QString source = (memory.size() == 2 && memory[1] == current) ? memory[0] : current;
        QString shown =
            kind == tTextKind::Caption ? translator_.TranslateCaption(source) : translator_.Translate(source);
        remember(QVariant(QStringList{source, shown}));
        if (shown != current)
            set(shown);
    }

    template <class Get, class Set>
    void ObjectText(QObject* owner, const char* slot, tTextKind kind, Get get, Set set) {
        QByteArray name = PropertyName(slot);
        Text(
            kind, get, set, [&] { return owner->property(name.constData()); },
            [&](const QVariant& memory) { owner->setProperty(name.constData(), memory); });
    }

    // Texts held by index on one object (tabs, tool-box pages).
    template <class Get, class Set>
    void IndexedTexts(QObject* owner, const char* slot, int count, Get get, Set set) {
        QByteArray name = PropertyName(slot);
        QVariantList memories = owner->property(name.constData()).toList();
        while (memories.size() < count)
            memories.append(QVariant());
        for (int i = 0; i < count; ++i) {
            Text(
                tTextKind::Caption, [&] { return get(i); }, [&](const QString& text) { set(i, text); },
                [&] { return memories[i]; }, [&](const QVariant& memory) { memories[i] = memory; });
        }
        owner->setProperty(name.constData(), memories);
    }

    template <class Item>
    void ItemText(Item* item) {
        Text(
            tTextKind::Plain, [&] { return item->text(); }, [&](const QString& text) { item->setText(text); },
            [&] { return item->data(kSweepMemoryRole); },
            [&](const QVariant& memory) { item->setData(kSweepMemoryRole, memory); });
    }

    void TreeItemText(QTreeWidgetItem* item, int column) {
        Text(
            tTextKind::Plain, [&] { return item->text(column); },
            [&](const QString& text) { item->setText(column, text); },
            [&] { return item->data(column, kSweepMemoryRole); },
            [&](const QVariant& memory) { item->setData(column, kSweepMemoryRole, memory); });
    }

    bool FirstVisit(QObject* object) {
        if (visited_.contains(object))
            return false;
        visited_.insert(object);
        return true;
    }

    void Widget(QWidget* widget) {
        if (!FirstVisit(widget))
            return;
        ObjectText(
            widget, "windowTitle", tTextKind::Plain, [&] { return widget->windowTitle(); },
            [&](const QString& text) { widget->setWindowTitle(text); });
        Hints(widget);
        if (IsStandardDialog(widget))
            return;

        if (auto* label = qobject_cast<QLabel*>(widget)) {
            Label(label);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            ObjectText(
                button, "text", tTextKind::Caption, [&] { return button->text(); },
                [&](const QString& text) { button->setText(text); });
            AdjustFont(button);
        } else if (auto* groupBox = qobject_cast<QGroupBox*>(widget)) {
            ObjectText(
                groupBox, "title", tTextKind::Caption, [&] { return groupBox->title(); },
                [&](const QString& text) { groupBox->setTitle(text); });
        } else if (auto* tabBar = qobject_cast<QTabBar*>(widget)) {
            IndexedTexts(
                tabBar, "tabs", tabBar->count(), [&](int i) { return tabBar->tabText(i); },
                [&](int i, const QString& text) { tabBar->setTabText(i, text); });
        } else if (auto* toolBox = qobject_cast<QToolBox*>(widget)) {
            IndexedTexts(
                toolBox, "pages", toolBox->count(), [&](int i) { return toolBox->itemText(i); },
                [&](int i, const QString& text) { toolBox->setItemText(i, text); });
        } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
            ListWidget(list);
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            ComboBox(combo);
        } else if (auto* tree = qobject_cast<QTreeWidget*>(widget)) {
            TreeWidget(tree);
        } else if (auto* table = qobject_cast<QTableWidget*>(widget)) {
            TableHeaders(table);
        } else if (auto* menu = qobject_cast<QMenu*>(widget)) {
            Action(menu->menuAction());
        }

        for (QAction* action : widget->actions())
            Action(action);
        for (QObject* child : widget->children()) {
            if (auto* childWidget = qobject_cast<QWidget*>(child))
                Widget(childWidget);
        }
    }

    void Hints(QWidget* widget) {
        if (!IsRichText(widget->toolTip()))
            ObjectText(
                widget, "toolTip", tTextKind::Plain, [&] { return widget->toolTip(); },
                [&](const QString& text) { widget->setToolTip(text); });
        ObjectText(
            widget, "statusTip", tTextKind::Plain, [&] { return widget->statusTip(); },
            [&](const QString& text) { widget->setStatusTip(text); });
    }

    void Label(QLabel* label) {
        // Rich text is markup, not a phrase; "=" inside it must stay "=".
        if (!IsRichText(label->text(), label->textFormat())) {
            // Without a buddy a label shows "&" as it stands.
            tTextKind kind = label->buddy() ? tTextKind::Caption : tTextKind::Plain;
            ObjectText(
                label, "text", kind, [&] { return label->text(); },
                [&](const QString& text) { label->setText(text); });
        }
        AdjustFont(label);
    }

    void Action(QAction* action) {
        if (action == nullptr || !FirstVisit(action))
            return;
        if (!action->isSeparator()) {
            // A tool tip that merely follows the text is left to follow the translated text.
            QString explicitTip = action->toolTip();
            action->setToolTip(QString());
            bool tipFollowsText = action->toolTip() == explicitTip;
            if (!tipFollowsText)
                action->setToolTip(explicitTip);
            ObjectText(
                action, "text", tTextKind::Caption, [&] { return action->text(); },
                [&](const QString& text) { action->setText(text); });
            if (!tipFollowsText && !IsRichText(explicitTip))
                ObjectText(
                    action, "toolTip", tTextKind::Plain, [&] { return action->toolTip(); },
                    [&](const QString& text) { action->setToolTip(text); });
            ObjectText(
                action, "statusTip", tTextKind::Plain, [&] { return action->statusTip(); },
                [&](const QString& text) { action->setStatusTip(text); });
        }
        if (QMenu* menu = action->menu())
            Widget(menu);
    }

    void ListWidget(QListWidget* list) {
        int row = list->currentRow();
        for (int i = 0; i < list->count(); ++i)
            ItemText(list->item(i));
        if (list->currentRow() != row)
            list->setCurrentRow(row);
    }

    void ComboBox(QComboBox* combo) {
        // An editable box holds what the user typed or picked (paths, names); a font box
        // holds face names. Neither is a phrase of the program's.
        if (combo->isEditable() || qobject_cast<QFontComboBox*>(combo))
            return;
        int index = combo->currentIndex();
        for (int i = 0; i < combo->count(); ++i) {
            Text(
                tTextKind::Plain, [&] { return combo->itemText(i); },
                [&](const QString& text) { combo->setItemText(i, text); },
                [&] { return combo->itemData(i, kSweepMemoryRole); },
                [&](const QVariant& memory) { combo->setItemData(i, memory, kSweepMemoryRole); });
        }
        if (combo->currentIndex() != index)
            combo->setCurrentIndex(index);
    }

    void TreeWidget(QTreeWidget* tree) {
        if (QTreeWidgetItem* header = tree->headerItem()) {
            for (int column = 0; column < header->columnCount(); ++column)
                TreeItemText(header, column);
        }
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            TreeItem(tree->topLevelItem(i));
    }

    void TreeItem(QTreeWidgetItem* item) {
        for (int column = 0; column < item->columnCount(); ++column)
            TreeItemText(item, column);
        for (int i = 0; i < item->childCount(); ++i)
            TreeItem(item->child(i));
    }

    void TableHeaders(QTableWidget* table) {
        for (int column = 0; column < table->columnCount(); ++column) {
            if (QTableWidgetItem* item = table->horizontalHeaderItem(column))
                ItemText(item);
        }
        for (int row = 0; row < table->rowCount(); ++row) {
            if (QTableWidgetItem* item = table->verticalHeaderItem(row))
                ItemText(item);
        }
    }

    // The language's size adjustment, always applied to the widget's own size from before
    // the first sweep, so that repeated sweeps do not grow the text.
    void AdjustFont(QWidget* widget) {
        QByteArray name = PropertyName("font");
        QVariantList memory = widget->property(name.constData()).toList(); // base font, size set
        QFont base = widget->font();
        bool adjustedBefore = memory.size() == 2 && base.pointSize() == memory[1].toInt();
        if (adjustedBefore)
            base = memory[0].value<QFont>();
        int adjustment = translator_.FontSize();
        if ((adjustment == 0 && !adjustedBefore) || base.pointSize() <= 0)
            return; // nothing to do, or sized in pixels
        QFont font = base;
        if (adjustment != 0) {
            int size = base.pointSize() + adjustment;
            if (size < 8 && SmallFaceInstalled())
                font.setFamily(QString::fromLatin1(kSmallTextFace));
            font.setPointSize(size <= 5 ? 6 : size);
        }
        widget->setFont(font);
        widget->setProperty(name.constData(), QVariantList{QVariant::fromValue(base), font.pointSize()});
    }

    bool SmallFaceInstalled() {
        if (!smallFaceInstalled_)
            smallFaceInstalled_ = QFontDatabase::hasFamily(QString::fromLatin1(kSmallTextFace));
        return *smallFaceInstalled_;
    }

    tTranslator& translator_;
    QSet<QObject*> visited_;
    std::optional<bool> smallFaceInstalled_;
};

} // namespace

void TranslateWindow(QWidget* window) { TranslateWindow(window, ProgramTranslator()); }

void TranslateWindow(QWidget* window, tTranslator& translator) {
    translator.EnsureLoaded();
    if (window == nullptr || translator.LanguageName().isEmpty())
        return;
    tSweep(translator).Window(window);
}

} // namespace lyrimo
