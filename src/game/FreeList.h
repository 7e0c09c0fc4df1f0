#pragma once
#include "runtime/ref.h"

// Free lists of the short-lived bodies (shells, smoke puffs, flashes):
// finished ones wait, linked through their m_nextFree, for the next use, so
// that steady firing allocates nothing.

// The first waiting body, taken off the list; null when none waits.
template <class T>
ref<T> takeFree(ref<T>& head)
{
    ref<T> t = head;
    if (t) {
        head = t->m_nextFree;
        t->m_nextFree = nullptr;
    }
    return t;
}

// Hides t and puts it first on the list.
template <class T>
void giveFree(ref<T>& head, T* t)
{
    t->off();
    t->m_nextFree = head;
    head = t;
}

// Lets every waiting body go, one at a time: a chain freed from its head
// would recurse once per body.
template <class T>
void dropFree(ref<T>& head)
{
    while (head) {
        ref<T> t = head;
        head = t->m_nextFree;
        t->m_nextFree = nullptr;
    }
}
