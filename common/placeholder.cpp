// common
