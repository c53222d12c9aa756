#ifndef DISARMABLEDELETE_H
#define DISARMABLEDELETE_H

#include <memory>

// Deleter of the shared pointers in which new nodes travel to the tree. The
// receiver that adopts the node clears `armed`, after which releasing the last
// copy of the pointer leaves the node alone.
template <typename T, typename D = std::default_delete<T>> struct DisarmableDelete
{
    explicit DisarmableDelete(bool armed = true) : armed(armed) {}

    void operator()(T *object) const
    {
        if (armed && object) {
            deleter(object);
        }
    }

    bool armed;
    D deleter;
};

#endif // DISARMABLEDELETE_H
