#pragma once

#include "StationState.h"

#include <QMutex>
#include <memory>

// The latest state, put by the station's thread and taken by the server's:
// either holds the lock only to swap a pointer.
class StationStateBox {
public:
    void put(std::shared_ptr<const StationState> state);
    // Never null: an empty state before the first is put.
    std::shared_ptr<const StationState> get() const;

private:
    mutable QMutex m_lock;
    std::shared_ptr<const StationState> m_state = std::make_shared<const StationState>();
};
