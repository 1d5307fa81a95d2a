// "Scaling Factors for Results": the multiply / divide choice, factor and
// offset of every channel of the current file, with which the analyses
// report their results when scaling is switched on.
#pragma once

// Window 6. offered: a value the user may turn into a channel's factor by
// clicking that channel's operation button (0: none). Every way out stores
// what the fields show; the toolbar comes back and the block window goes to
// the front when the file has a block.
void SCALERESULTS(double offered);
