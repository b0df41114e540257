#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AboutForm;
}

namespace rentabo {

// The version box of the help menu, created anew and shown modally each time.
class TAboutForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAboutForm)
public:
    explicit TAboutForm(QWidget* parent = nullptr);
    ~TAboutForm() override;

private:
    std::unique_ptr<Ui::AboutForm> m_ui;
};

}  // namespace rentabo
