// Writes the workbook that tst_pricelist reads as libxlsxwriter writes it: strings shared,
// kept in xl/sharedStrings.xml. A program of its own, because libxlsxwriter and QuaZip both
// export minizip's functions, so a process that loads both calls the wrong zipOpen3.

#include <xlsxwriter.h>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    lxw_workbook* workbook = workbook_new(argv[1]);
    if (!workbook) return 1;
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Precios");
    worksheet_write_string(sheet, 0, 0, "Código", nullptr);
    worksheet_write_number(sheet, 0, 2, 1.5, nullptr);
    worksheet_write_boolean(sheet, 1, 1, 0, nullptr);
    worksheet_write_string(sheet, 2, 0, "ÑANDÚ", nullptr);
    worksheet_write_string(sheet, 2, 1, "Código", nullptr);
    return workbook_close(workbook) == LXW_NO_ERROR ? 0 : 1;
}
