// How the parameter code reaches a filter's undo history without depending on the filter
// class: the host side (which defines pfFilter) registers a lookup when a filter is made.
// A registration rather than a function the host defines, so that programs linking the
// parameter model without the host (tests, the dialog's about box) still link.
#pragma once

class pfFilter;
class pfUndoHistory;

using pfUndoHistoryLookup = pfUndoHistory* (*)(pfFilter* filter);
void pfSetUndoHistoryLookup(pfUndoHistoryLookup lookup);

// The filter's history; null for a null filter or before any lookup is registered.
pfUndoHistory* pfGetUndoHistory(pfFilter* filter);
