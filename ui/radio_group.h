#pragma once
// A group of radio buttons read and set by item index.
#include <QWidget>

class QButtonGroup;

namespace vorn {

class RadioGroup final : public QWidget {
    Q_OBJECT
public:
    RadioGroup(const QString& name, const QStringList& items, QWidget* parent);

    [[nodiscard]] int item_index() const;
    void set_item_index(int index);
    [[nodiscard]] int count() const;
    [[nodiscard]] QString item_text(int index) const;

signals:
    // Also fires when the program selects an item.
    void item_index_changed(int index);

private:
    QButtonGroup* buttons_;
};

}  // namespace vorn
