main:	li	$1, 2	# two
	sbi	$1, 1	; no such
