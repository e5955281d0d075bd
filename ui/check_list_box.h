#pragma once
// A check list that shows its items in two columns, filled column by column.
#include <QListWidget>

namespace vorn {

class CheckListBox final : public QListWidget {
    Q_OBJECT
public:
    static constexpr int columns = 2;

    CheckListBox(const QString& name, const QStringList& items, QWidget* parent);

    [[nodiscard]] bool checked(int index) const;
    void set_checked(int index, bool checked);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] int rows_per_column() const;
    [[nodiscard]] int item_height() const;
    void fit_grid();
};

}  // namespace vorn
