// The interface of every node of a compiled pattern.
#pragma once

#include "regexp/RxMatchContext.h"

class RxNode {
public:
    // Nonzero when the node matches at the context's position; on success the position has
    // moved over the match and whatever MatchNext needs is on the backtrack stack.
    virtual int Match(RegexMatchContext& c) = 0;
    // Called after a success, in last-in-first-out order across nodes: gives up that way and
    // finds the next one. Zero means no more ways; the node has then popped its data and
    // put back the position and the capture stack as they were before its Match.
    virtual int MatchNext(RegexMatchContext& c) = 0;
    // Nodes are owned by the compiled pattern's node list; a node never deletes children.
    virtual ~RxNode() = default;
};
