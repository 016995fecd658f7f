// Helpers shared by the QevClasses unit's implementation files.
#pragma once

// Runs body inside BeginUpdate/EndUpdate; the bracket is closed on an exception too.
template <typename List, typename Body>
void WithUpdate(List* list, Body body) {
  list->BeginUpdate();
  try {
    body();
  } catch (...) {
    list->EndUpdate();
    throw;
  }
  list->EndUpdate();
}
