// Words of the OSP dialect that the address table does not read as letters: "RTS" (the return
// from a subprogram), "N..CYL" (a block whose hole the cycle in force does not drill), "CALL"
// (a subprogram call by name) and the three-digit cycle codes G274, G283, G284.
#pragma once

#include "nc/interp.h"

namespace vx::nc {

// G274, G283, G284 are G74, G83, G84; every other code as it is.
int osp_g_code(int g);

// "RTS" or "N" ... "CYL" at the word: records it in `block`, moves the scan past it and answers
// true; false for every other word.
bool osp_text_word(BlockWords& block, Word& word);

// "CALL" name: a subprogram call of that name.
void osp_call_word(BlockWords& block, const Word& word);

}  // namespace vx::nc
