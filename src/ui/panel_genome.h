// The panel's genome editor section: dna.vdna as text, the genome check's
// findings as the user types, Apply, Save and Revert, and following the file.
#pragma once

// The Genome section; `frame` is the number of frames shown, for its status.
void panel_genome_section(long frame);
