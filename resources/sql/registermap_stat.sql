-- Statistics of the group index only: one sqlite_stat1 row for the primary-key index
-- of register_indextable.
ANALYZE register_indextable;
