#include "infra.h"

BOOLEAN k_g = 0;
BOOLEAN k_v = 0;
BOOLEAN k_l = 0;
BOOLEAN k_p = 0;
BOOLEAN kSpace = 0;
BOOLEAN kReturn = 0;
BOOLEAN show_map = 0;
BOOLEAN showmouse = 0;
int show_len = 0;
int move_file = 0;

void init_infra() {
    kReturn = 0;
    showmouse = 0;
    show_map = 1;
    move_file = 0;
    show_len = 1;
    k_l = 1;
}
