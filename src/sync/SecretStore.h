#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace moravel::sync {

// Where the password of the calendar server lives: the desktop's secret store, never the
// settings file or a log. Tests put one of their own in its place.
class SecretStore {
public:
    virtual ~SecretStore() = default;
    // `done` gets the password, empty when none is kept, or a German reason why it cannot be read.
    using Read = std::function<void(const QString& password, const QString& error)>;
    virtual void read(const QString& account, Read done) = 0;
    // `done` gets an empty text when the password is kept, else why not, in German.
    virtual void write(const QString& account, const QString& password,
                       std::function<void(const QString&)> done) = 0;

    // The desktop's secret store (through QtKeychain), unless a test installed another.
    static SecretStore& instance();
    static void setInstance(SecretStore* store);
};

} // namespace moravel::sync
