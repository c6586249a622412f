// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>

// Base of every component: the owner (QObject parent) destroys what it owns, and
// the component knows when it is being destroyed so that it can stay silent then.
class TComponent : public QObject {
public:
    explicit TComponent(QObject* owner = nullptr) : QObject(owner) { }
    bool IsDestroying() const { return FDestroying; }

protected:
    // Called first thing by a destructor that must not fire events any more.
    void BeginDestroy() { FDestroying = true; }

private:
    bool FDestroying = false;
};
