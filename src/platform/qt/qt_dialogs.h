#pragma once

#include "platform/dialogs.h"

namespace platform::qt {

// QInputDialog, QMessageBox and QFileDialog, modal to the whole application, with Chinese button
// texts like the rest of the program. The dialogs that return at once are shown without a nested
// event loop and delete themselves once closed.
class QtDialogs final : public Dialogs {
  public:
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override;
    std::string passwordBox(const std::string& prompt, const std::string& title,
                            const std::string& defaultAnswer) override;
    void messageBox(const std::string& text) override;
    std::string saveFileName(const std::string& title, const std::string& suggested,
                             const std::string& filters) override;
    void showMessageBox(const std::string& text) override;
    void openSaveFileName(const std::string& title, const std::string& suggested,
                          const std::string& filters,
                          std::function<void(const std::string&)> then) override;
    void openYesNo(const std::string& text, std::function<void(bool)> then) override;
};

}  // namespace platform::qt
