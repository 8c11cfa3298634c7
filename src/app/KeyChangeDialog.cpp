#include "app/KeyChangeDialog.h"

#include "app/KeyCodes.h"
#include "app/MenuTree.h"
#include "app/QtKeys.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>

namespace sv {

namespace {

QString PlainText(const std::string& text) {
    QString plain = QString::fromStdString(text).remove('&');
    return plain.endsWith("...") ? plain.chopped(3) : plain;
}

QString KeysText(const std::vector<std::uint32_t>& keys) {
    QStringList parts;
    for (std::uint32_t code : keys) parts << QString::fromStdString(ShortcutText(code));
    return parts.join(", ");
}

// Every key goes to the dialog as a code, Tab and Escape included, so any key can be given.
class KeyCaptureEdit : public QLineEdit {
public:
    explicit KeyCaptureEdit(LKeyChangeDlg* dialog) : dialog_(dialog) { setReadOnly(true); }

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(e);
            if (std::uint32_t code = KeyCodeFromEvent(*key)) {
                if (e->type() == QEvent::KeyPress) dialog_->CaptureKey(code);
                e->accept();
                return true;
            }
        }
        return QLineEdit::event(e);
    }

private:
    LKeyChangeDlg* dialog_;
};

void AddItems(QTreeWidgetItem* parent, const MenuNode& node, const KeyTable& table) {
    for (const MenuNode& child : node.children) {
        if (child.IsSeparator()) continue;
        auto* item = new QTreeWidgetItem(parent);
        item->setText(0, PlainText(child.text));
        if (child.IsSubmenu()) {
            AddItems(item, child, table);
        } else {
            item->setData(0, Qt::UserRole, child.id);
            item->setText(1, KeysText(table.KeysOf(child.id)));
        }
    }
}

}  // namespace

LKeyChangeDlg::LKeyChangeDlg(const KeyTable& current, QWidget* parent) : QDialog(parent), table_(current) {
    setWindowTitle("Raccourcis Clavier");
    setObjectName("LKeyChangeDlg");
    commands_ = new QTreeWidget;
    commands_->setObjectName("Commands");
    commands_->setHeaderLabels({"Commande", "Raccourcis"});
    for (const MenuNode& top : MainMenu()) {
        auto* item = new QTreeWidgetItem(commands_);
        item->setText(0, PlainText(top.text));
        AddItems(item, top, table_);
    }
    commands_->expandAll();
    commands_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    keys_ = new QListWidget;
    keys_->setObjectName("Keys");
    capture_ = new KeyCaptureEdit(this);
    capture_->setObjectName("KeyCapture");
    capture_->setPlaceholderText("Appuyez sur la nouvelle touche");
    owner_ = new QLabel;
    owner_->setObjectName("Owner");
    owner_->setWordWrap(true);
    auto* assign = new QPushButton("Attribuer");
    auto* remove = new QPushButton("Supprimer");
    auto* builtIn = new QPushButton("Raccourcis par Défaut");

    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel("Raccourcis de la commande :"));
    side->addWidget(keys_);
    side->addWidget(remove);
    side->addWidget(new QLabel("Nouveau raccourci :"));
    side->addWidget(capture_);
    side->addWidget(owner_);
    side->addWidget(assign);
    side->addStretch();
    side->addWidget(builtIn);
    auto* row = new QHBoxLayout;
    row->addWidget(commands_, 2);
    row->addLayout(side, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText("Annuler");
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    resize(720, 520);

    connect(commands_, &QTreeWidget::currentItemChanged, this, [this] { ShowKeys(); });
    connect(assign, &QPushButton::clicked, this, [this] { AssignCaptured(); });
    connect(remove, &QPushButton::clicked, this, [this] { RemoveSelectedKey(); });
    connect(builtIn, &QPushButton::clicked, this, [this] { RestoreBuiltIn(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int LKeyChangeDlg::SelectedCommand() const {
    QTreeWidgetItem* item = commands_->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : 0;
}

bool LKeyChangeDlg::SelectCommand(int id) {
    for (QTreeWidgetItemIterator it(commands_); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toInt() == id) {
            commands_->setCurrentItem(*it);
            return true;
        }
    }
    return false;
}

void LKeyChangeDlg::CaptureKey(std::uint32_t code) {
    captured_ = code;
    capture_->setText(QString::fromStdString(ShortcutText(code)));
    int owner = table_.CommandFor(code);
    const MenuNode* item = owner ? FindMenuItem(owner) : nullptr;
    owner_->setText(item ? "Actuellement attribué à : " + PlainText(item->text) : QString());
}

QString LKeyChangeDlg::CapturedText() const { return capture_->text(); }

QString LKeyChangeDlg::OwnerText() const { return owner_->text(); }

bool LKeyChangeDlg::AssignCaptured() {
    int id = SelectedCommand();
    if (id == 0 || captured_ == 0) return false;
    std::vector<std::uint32_t> keys = table_.KeysOf(id);
    if (table_.CommandFor(captured_) != id) keys.push_back(captured_);
    table_.SetKeys(id, keys);
    RefreshCommandColumn();
    ShowKeys();
    CaptureKey(captured_);
    return true;
}

bool LKeyChangeDlg::RemoveSelectedKey() {
    int id = SelectedCommand();
    QListWidgetItem* item = keys_->currentItem();
    if (id == 0 || !item) return false;
    std::uint32_t code = item->data(Qt::UserRole).toUInt();
    std::vector<std::uint32_t> keys = table_.KeysOf(id);
    keys.erase(std::remove(keys.begin(), keys.end(), code), keys.end());
    table_.SetKeys(id, keys);
    RefreshCommandColumn();
    ShowKeys();
    return true;
}

void LKeyChangeDlg::RestoreBuiltIn() {
    table_ = KeyTable::BuiltIn();
    RefreshCommandColumn();
    ShowKeys();
}

void LKeyChangeDlg::ShowKeys() {
    keys_->clear();
    int id = SelectedCommand();
    if (id == 0) return;
    for (std::uint32_t code : table_.KeysOf(id)) {
        auto* item = new QListWidgetItem(QString::fromStdString(ShortcutText(code)), keys_);
        item->setData(Qt::UserRole, code);
    }
    if (keys_->count() > 0) keys_->setCurrentRow(0);
}

void LKeyChangeDlg::RefreshCommandColumn() {
    for (QTreeWidgetItemIterator it(commands_); *it; ++it) {
        int id = (*it)->data(0, Qt::UserRole).toInt();
        if (id) (*it)->setText(1, KeysText(table_.KeysOf(id)));
    }
}

}  // namespace sv
