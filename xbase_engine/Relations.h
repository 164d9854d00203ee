#pragma once
// Relations between work areas: after each move of a parent area, every
// child area related to it goes to the record that the relation's key
// expression (evaluated over the parent's current record) names: with an
// index order in control of the child, the record a seek for the key finds;
// without one, a numeric key is the child's record number. Nothing found, or
// a parent past its end, leaves the child past its end. Children follow
// their own relations in turn; a relation that would close a cycle is refused.
#include <string_view>

namespace xbe {

// Relates child to parent through key (compiled over the parent's table);
// an empty key removes the relation (child 0: every relation of parent).
// The child follows at once. Throws XbError on a bad area, key or cycle.
void SetRelation(int parent, int child, std::string_view key);
// Moves the children of area (and theirs) after area moved.
void FollowRelations(int area);
// Forgets every relation from or to area (it is being closed).
void DropRelations(int area);

}  // namespace xbe
