#include "platform/qt/shared_library.h"

#include <QLibrary>
#include <QString>
#include <string>

namespace platform {

struct SharedLibrary::Loader {
    QLibrary library;
    std::string wanted;  // the name and major version asked for
    bool opened = false;
};

SharedLibrary::SharedLibrary(std::string name, int majorVersion)
    : loader_(std::make_unique<Loader>()) {
    loader_->library.setFileNameAndVersion(QString::fromStdString(name), majorVersion);
    loader_->wanted = "library " + name + " version " + std::to_string(majorVersion);
}

// QLibrary leaves the library loaded when it goes: other objects of the program may hold
// functions of the same library.
SharedLibrary::~SharedLibrary() = default;

bool SharedLibrary::open() {
    loader_->opened = loader_->library.load();
    if (!loader_->opened) {
        // QLibrary tells of the last file name it tried, which may lack the version.
        problem_ = loader_->wanted + " cannot be loaded (" +
                   loader_->library.errorString().toStdString() + ")";
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
