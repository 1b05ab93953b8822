// How the parameter code reaches a filter's undo history without depending on the filter
// class: the host side (which defines pfFilter) provides this function.
#pragma once

class pfFilter;
class pfUndoHistory;

// The filter's history, or null.
pfUndoHistory* pfGetUndoHistory(pfFilter* filter);
