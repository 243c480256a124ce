#include "platform/qt/shared_library.h"

#include <QLibrary>
#include <QString>

namespace platform {

struct SharedLibrary::Loader {
    QLibrary library;
    bool opened = false;
};

SharedLibrary::SharedLibrary(std::string name, int majorVersion)
    : loader_(std::make_unique<Loader>()) {
    loader_->library.setFileNameAndVersion(QString::fromStdString(name), majorVersion);
}

// QLibrary leaves the library loaded when it goes: other objects of the program may hold
// functions of the same library.
SharedLibrary::~SharedLibrary() = default;

bool SharedLibrary::open() {
    loader_->opened = loader_->library.load();
    if (!loader_->opened) {
        problem_ = loader_->library.errorString().toStdString();
    }
    return loader_->opened;
}

SharedLibrary::Address SharedLibrary::address(const char* name) {
    const Address found = loader_->opened ? loader_->library.resolve(name) : nullptr;
    if (found == nullptr) {
        problem_ = loader_->library.fileName().toStdString() + " has no function " + name;
    }
    return found;
}

}  // namespace platform
