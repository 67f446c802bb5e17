// Gene expression: genes switch undifferentiated (type 1) cells to their own
// type where two enhancer signals meet at about the same level, and division
// genes divide cells where their enhancers agree.
#pragma once

// Runs every gene on cell i (one draw per gene when division can happen) and
// returns the type its site holds afterwards.
int express_genes(int i);
// Switches cell i from type `from` to `to` where channels c1 and c2 both read at
// least 1 and differ by at most one. `gene` is the slot that asks, for the history.
void switch_type_where_two_meet(int i, int from, int to, int c1, int c2, int gene = -1);
// Divides cell i where channels c1 and c2 differ by at most one and c1 reads above 1.
void divide_where_two_meet(int i, int c1, int c2, int gene = -1);
// Divides cell i where c2 and c3 each differ from c1 by at most one and c1 reads above 1.
void divide_where_three_meet(int i, int c1, int c2, int c3, int gene = -1);
// True when some gene could change cell i as the colony stands, on some draw:
// switch it (type 1 only) or, while division genes act, divide it. Reads the
// levels once each: for a field that no other thread writes.
bool genes_may_act(int i);
