// Circular doubly linked list links, shared by the install-context list and the
// allocator's block list. The empty list is its head linked to itself both ways.
#pragma once

struct ListLink {
  ListLink *Next;
  ListLink *Prev;
};

inline void ListInit(ListLink *head) { head->Next = head->Prev = head; }

inline bool ListIsEmpty(const ListLink *head) { return head->Next == head; }

// Links entry just before the head, so the list stays in order of insertion.
inline void ListInsertTail(ListLink *head, ListLink *entry) {
  entry->Next = head;
  entry->Prev = head->Prev;
  head->Prev->Next = entry;
  head->Prev = entry;
}

inline void ListUnlink(ListLink *entry) {
  entry->Prev->Next = entry->Next;
  entry->Next->Prev = entry->Prev;
}
